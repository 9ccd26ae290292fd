#include "app/Startup.h"

int main(int argc, char** argv) {
    return tandril::app::runApplication(argc, argv);
}
