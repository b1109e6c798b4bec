// Entry point of the Collivo installer.
#include "app/startup.h"

int main() {
    StartupStages stages;
    // The analytics tracker and the main window join here as they are built.
    return RunInstaller(stages);
}
