// orvane-db: creates a ready watch database for Orvane.
//   orvane-db init [DIR]   creates DIR/Sentrel.mdb (DIR defaults to the current directory)
//   orvane-db test-mail [--dir DIR] ADDRESS   sends a test mail through the stored settings

#include "TestMailCommand.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

using namespace orvane;

namespace {

int usage()
{
    std::fprintf(stderr, "usage: orvane-db init [DIR]\n");
    return 2;
}

int init(const QString& dirPath)
{
    const QDir dir(dirPath);
    if (!dir.exists()) {
        std::fprintf(stderr, "orvane-db: no such directory: %s\n", qPrintable(dirPath));
        return 1;
    }
    const QString path = dir.filePath(QString::fromLatin1(Database::kFileName));
    if (QFileInfo::exists(path)) {
        std::fprintf(stderr, "orvane-db: %s already exists; it is left as it is\n", qPrintable(path));
        return 1;
    }
    const Status created = Schema::createFile(path);
    if (!created.ok()) {
        std::fprintf(stderr, "orvane-db: cannot create %s: %s\n", qPrintable(path),
                     qPrintable(created.failure().description));
        return 1;
    }
    std::printf("created %s\n", qPrintable(QDir::toNativeSeparators(path)));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    // Until the command table takes it.
    if (!args.isEmpty() && args[0] == QLatin1String("test-mail"))
        return runTestMail(args.mid(1));
    if (args.isEmpty() || args.size() > 2)
        return usage();
    if (args[0] == QLatin1String("init"))
        return init(args.size() == 2 ? args[1] : QDir::currentPath());
    return usage();
}
