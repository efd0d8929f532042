#pragma once

#include <curl/curl.h>

#include <QtGlobal>

namespace orvane {

// How a mail goes over TLS. A password never travels in plain text: on the
// submission port, or whenever a login is sent, STARTTLS is required and the
// certificate verified, and TLS starts at the first byte on the implicit-TLS
// port. Any other port without a login is a relay's: STARTTLS when offered,
// plain text otherwise. There the certificate is not checked: nothing secret
// is sent, an attacker on the line could strip the STARTTLS offer anyway, and
// refusing a relay's self-signed certificate (a packaged mail server's
// default) would send nothing instead of sending it less well.
struct SmtpTlsPolicy {
    static constexpr qint32 kImplicitTlsPort = 465;
    static constexpr qint32 kSubmissionPort = 587;

    enum class Start { Implicit, Required, IfOffered };
    Start start = Start::IfOffered;

    static SmtpTlsPolicy choose(qint32 port, bool login)
    {
        if (port == kImplicitTlsPort)
            return {Start::Implicit};
        return {port == kSubmissionPort || login ? Start::Required : Start::IfOffered};
    }

    const char* scheme() const { return start == Start::Implicit ? "smtps" : "smtp"; }
    long useSsl() const { return start == Start::IfOffered ? CURLUSESSL_TRY : CURLUSESSL_ALL; }
    bool verify() const { return start != Start::IfOffered; }
};

} // namespace orvane
