// Claims the single instance and reports: exit 3 if another copy holds it; otherwise
// prints "claimed" and, with "hold", waits to be killed.
#include "toolkit/Services.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (tk::App::PrevInstance())
        return 3;
    std::printf("claimed\n");
    std::fflush(stdout);
    if (argc > 1 && std::strcmp(argv[1], "hold") == 0)
        for (;;)
            ::pause();
    return 0;
}
