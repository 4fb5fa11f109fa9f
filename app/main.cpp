#include "app/vantoro_application.h"

int main(int argc, char *argv[]) {
    VantoroApplication application(argc, argv);
    return application.run();
}
