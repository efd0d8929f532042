// The whole program, with two differences for the tests: the directory of
// Sentrel.mdb and the timer's interval in milliseconds come as the two
// arguments, so that cycles follow each other quickly.

#include "app/Program.h"

#include <QApplication>

#include <curl/curl.h>

int main(int argc, char* argv[])
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    return orvane::Program::run(QString::fromLocal8Bit(argv[1]), QByteArray(argv[2]).toInt());
}
