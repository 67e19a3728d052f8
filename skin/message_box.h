// The launcher's message box for questions and notices.
#pragma once

#include <string>

// Shows a modal skinned box with `text` (a line feed starts a new line), the
// caption, and the buttons of `type`: 0 "确定", 1 "确定" and "取消", 4 "是" and
// "否" (any other type behaves as 0). Returns IDOK, IDCANCEL, IDYES or IDNO.
int SkinMessageBox(const std::wstring& text, const std::wstring& caption, int type);
