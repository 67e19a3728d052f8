// What the caption tab strip needs of the pages its tabs stand for. The strip
// lives in the toolkit and knows nothing of the game pages; the set of pages
// above it implements this and is handed to the strip.
#pragma once

#include <windows.h>

#include <string>

class CTabPageSet {
public:
    // The full title of page `index`: the tooltip of its tab and the start of
    // the close question. Empty when there is no such page.
    virtual std::wstring PageTitle(int index) const = 0;
    // The caption of the strip's close question.
    virtual std::wstring GameTitle() const = 0;
    // The window of the page that a tab's item data stands for; NULL when that
    // page has none (or the data names no page).
    virtual HWND PageWindow(LPARAM tabData) const = 0;
    // Hides every page, then shows and focuses the current tab's page.
    virtual void ShowCurrentPage() = 0;
    // Destroys page `index`'s window and drops its tab and its entries.
    virtual void ClosePage(int index) = 0;
    // Whether the hall page is shown in place of the pages.
    virtual bool HallShown() const = 0;
    // Stops showing the hall page (hides it); the pages stay as they are.
    virtual void HideHall() = 0;

protected:
    ~CTabPageSet() = default;
};
