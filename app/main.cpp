#include "app/launcher_app.h"
#include "framework/system_library.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    fw::SearchLibrariesInSystemFolderOnly();
    return AfxWinMain(theApp, instance);
}
