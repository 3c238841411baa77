#include "update/window_mode.h"

#include "update/userinfo.h"

int RunWindowMode(HINSTANCE instance, int updateMode, int clientTypeId) {
    (void)instance;
    (void)updateMode;
    (void)clientTypeId;
    // The window itself arrives with the skinned window framework; until then the mode
    // ends as a closed window does.
    SetCurrentDirectoryW(CUserInfo::GetInstance()->ExeDir.c_str());
    OleUninitialize();
    return 1;
}
