#include "net/NetrcLogin.h"

#include "base/ErrorCatalogue.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

// Any permission for the group or for others.
constexpr mode_t kOpenToOthers = S_IRWXG | S_IRWXO;

// libcurl reads the file in lines of this many bytes at most.
constexpr qint64 kLineBytes = 4095;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isSpace(char c)
{
    return isBlank(c) || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool sameWord(const QByteArray& token, const char* keyword)
{
    return token.compare(keyword, Qt::CaseInsensitive) == 0;
}

// One token starting at `at`, unquoted; false for a quote left open.
bool readToken(const QByteArray& line, qsizetype& at, QByteArray& token)
{
    token.clear();
    if (line[at] != '"') {
        while (at < line.size() && !isSpace(line[at]))
            token += line[at++];
        return true;
    }
    for (++at; at < line.size(); ++at) {
        char c = line[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (c == '\\') {
            if (++at == line.size())
                return false;
            c = line[at];
            c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        }
        token += c;
    }
    return false;
}

enum class State { Nothing, MacroBody, HostNext, HostEntry };

struct Reading {
    State state = State::Nothing;
    bool hostFound = false;
    std::optional<QByteArray> login;
    std::optional<QByteArray> password;
    enum class Expect { Keyword, Login, Password } expect = Expect::Keyword;

    bool complete() const { return login && !login->isEmpty() && password && !password->isEmpty(); }

    void take(const QByteArray& token, const QByteArray& host)
    {
        switch (state) {
        case State::Nothing:
            if (sameWord(token, "macdef"))
                state = State::MacroBody;
            else if (sameWord(token, "machine"))
                state = State::HostNext;
            else if (sameWord(token, "default"))
                state = State::HostEntry, hostFound = true;
            break;
        case State::MacroBody: break; // the macro's name; its lines follow
        case State::HostNext:
            state = token.compare(host, Qt::CaseInsensitive) == 0 ? State::HostEntry : State::Nothing;
            hostFound = hostFound || state == State::HostEntry;
            break;
        case State::HostEntry:
            if (expect == Expect::Login) {
                login = token, expect = Expect::Keyword;
            } else if (expect == Expect::Password) {
                password = token, expect = Expect::Keyword;
            } else if (sameWord(token, "login")) {
                expect = Expect::Login;
            } else if (sameWord(token, "password")) {
                expect = Expect::Password;
            } else if (sameWord(token, "machine")) {
                state = State::HostNext;
            }
            break;
        }
    }
};

} // namespace

QString NetrcLogin::defaultFile()
{
    return QDir(QDir::homePath()).filePath(QStringLiteral(".netrc"));
}

Result<std::optional<NetrcLogin::Login>> NetrcLogin::find(const QString& file, const QString& host)
{
    QFile netrc(file);
    if (!netrc.open(QIODevice::ReadOnly))
        return std::optional<Login>(); // libcurl cannot read it either: no login
    const QByteArray wanted = host.toUtf8();
    Reading reading;
    bool syntaxError = false;
    while (!netrc.atEnd() && !reading.complete() && !syntaxError) {
        const QByteArray line = netrc.readLine(kLineBytes + 1);
        if (reading.state == State::MacroBody) {
            if (!line.startsWith('\n') && !line.startsWith('\r'))
                continue; // a macro runs up to an empty line
            reading.state = State::Nothing;
        }
        for (qsizetype at = 0; at < line.size() && !reading.complete();) {
            while (at < line.size() && isBlank(line[at]))
                ++at;
            if (at == line.size() || isSpace(line[at]) || line[at] == '#')
                break; // the end of the line, or a comment to its end
            QByteArray token;
            if (!readToken(line, at, token)) {
                syntaxError = true;
                break;
            }
            reading.take(token, wanted);
            ++at;
        }
    }
    const QString path = QDir::toNativeSeparators(file);
    if (syntaxError) {
        return ErrorCatalogue::failure(
            ErrorCode::MailNetrcUnusable,
            QStringLiteral("%1 has a quote that is not closed, which stops the mail: close it.").arg(path));
    }
    // libcurl crashes on a password without a login (7.88, against a server
    // that offers AUTH): the mail must not go that way.
    if (reading.hostFound && reading.password && !reading.login) {
        return ErrorCatalogue::failure(
            ErrorCode::MailNetrcUnusable,
            QStringLiteral("The entry for %1 in %2 has a password but no login: add \"login\" and the name.")
                .arg(host, path));
    }
    const bool login = reading.hostFound && reading.login;
    struct stat status { };
    if (login
        && (::fstat(netrc.handle(), &status) != 0 || (status.st_mode & kOpenToOthers) != 0
            || status.st_uid != ::geteuid())) {
        return ErrorCatalogue::failure(
            ErrorCode::MailNetrcUnsafe,
            QStringLiteral("%1 can be read or changed by other users, so its login for %2 is not used: "
                           "make it yours alone with chmod 600 %1.")
                .arg(path, host));
    }
    if (!login)
        return std::optional<Login>();
    return std::optional<Login>(Login {QString::fromUtf8(*reading.login)});
}

} // namespace orvane
