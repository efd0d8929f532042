#include "net/NetrcLogin.h"

#include "base/ErrorCatalogue.h"

#include <QDir>
#include <QFile>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

// Any permission for the group or for others.
constexpr mode_t kOpenToOthers = S_IRWXG | S_IRWXO;

// libcurl reads the file with fgets into a buffer of this size: a line
// that does not fit, its LF counted, is dropped whole.
constexpr qint64 kLineBuffer = 4096;

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
        case State::MacroBody:
            // The macro's name, and its lines follow; but an empty token (a
            // CR or a blank before the LF) ends the macro at once.
            if (token.isEmpty())
                state = State::Nothing;
            break;
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

// The next line as libcurl's line reader gives it, always ending in LF. A
// piece that does not end in LF is the start of a line too long, or of one
// holding a NUL: it goes, and so does the piece that ends that line. A NUL
// at the start of a line, or the end of the file, ends the reading.
std::optional<QByteArray> nextLine(QFile& file)
{
    char buffer[kLineBuffer];
    bool partial = false;
    for (;;) {
        const qint64 read = file.readLine(buffer, kLineBuffer);
        if (read <= 0)
            return std::nullopt;
        const auto length = static_cast<qsizetype>(qstrnlen(buffer, static_cast<size_t>(read)));
        if (length == 0)
            return std::nullopt;
        if (buffer[length - 1] == '\n') {
            if (!partial)
                return QByteArray(buffer, length);
            partial = false;
            continue;
        }
        // fgets met the end of the file: it stopped neither at a LF nor at a
        // full buffer. libcurl adds the LF the last line lacks.
        const bool atEnd = read < kLineBuffer - 1 && buffer[read - 1] != '\n';
        if (atEnd)
            return partial ? std::nullopt : std::optional(QByteArray(buffer, length) + '\n');
        partial = true;
    }
}

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
    while (!reading.complete() && !syntaxError) {
        const std::optional<QByteArray> read = nextLine(netrc);
        if (!read)
            break;
        const QByteArray& line = *read;
        if (reading.state == State::MacroBody) {
            if (!line.startsWith('\n') && !line.startsWith('\r'))
                continue; // a macro runs up to an empty line
            reading.state = State::Nothing;
        }
        for (qsizetype at = 0; at < line.size() && !reading.complete();) {
            while (at < line.size() && isBlank(line[at]))
                ++at;
            if (at == line.size() || line[at] == '#')
                break; // the end of the line, or a comment to its end
            // A CR, or the LF after a blank, is an empty token of its own.
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
