// Prints the stored (scrambled) form of a deployment secret, for the CMake cache
// variables *_CRYPTE. Usage: scramble VALUE   (or the value on standard input).
#include "mail/Scrambler.h"

#include <QTextStream>

#include <iostream>
#include <string>

int main(int argc, char *argv[])
{
    QString value;
    if (argc > 1) {
        value = QString::fromLocal8Bit(argv[1]);
    } else {
        std::string line;
        std::getline(std::cin, line);
        value = QString::fromStdString(line);
    }
    QTextStream(stdout) << Scrambler::encrypt(value).remove(QLatin1Char('\r')).replace(QLatin1Char('\n'), QString()) << Qt::endl;
    return 0;
}
