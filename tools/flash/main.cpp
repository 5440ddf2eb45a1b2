#include "flashcommand.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    FlashCommand command(std::cout, std::cerr);
    return command.run(QCoreApplication::arguments().mid(1));
}
