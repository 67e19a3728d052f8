// Stand-in for the network layer's background ping until it is available here:
// the same shape (request record, thread procedure, the two events).
#pragma once

#include <windows.h>

#include <string>

class CLauncherApp;

namespace standin {

struct PingRequest {
    std::wstring address;
    std::wstring body;
    CLauncherApp* owner = nullptr;
};

DWORD WINAPI PingInBackground(LPVOID request);

}  // namespace standin
