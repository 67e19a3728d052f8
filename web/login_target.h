// What a login needs of the set of open game pages. The login screen knows
// nothing of the main window or its pages; whoever owns the pages implements
// this and hands it to the login, as the caption strip is handed its
// CTabPageSet.
#pragma once

#include <string>

class CLoginTarget {
public:
    // The number of open game pages (0 during the first login).
    virtual int GetPageCount() const = 0;
    // TRUE when an open page was opened with this account on this server
    // (both compared exactly): the login refuses the same account twice on
    // one server.
    virtual bool IsAccountOpen(const std::wstring& account, const std::wstring& server) const = 0;
    // Appends a game page for the address (no window yet) with its account and
    // server, all three at one new index.
    virtual void AddGamePage(const std::wstring& address, const std::wstring& account,
                             const std::wstring& server) = 0;

protected:
    ~CLoginTarget() = default;
};
