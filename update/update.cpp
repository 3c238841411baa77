#include "update/update.h"

void InstallDefault() {
    // Deployment from the program's folder arrives with the system integration.
}

void UpgradeSilent(int clientTypeId) {
    // The version check, download and installation arrive with the HTTP transport.
    (void)clientTypeId;
}
