#include "net/game_name.h"

bool IsSafeGameName(std::wstring_view name) {
    if (name.empty() || name.size() > 32) return false;
    for (wchar_t c : name) {
        bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
        if (!plain) return false;
    }
    return true;
}
