// Fabrun, the operator console of the production station.
#include "console/fabrun_app.h"

int main(int argc, char** argv)
{
    CFabrunApp application(argc, argv);
    if (!application.InitInstance())
        return 1;
    return application.exec();
}
