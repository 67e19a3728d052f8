#include "web/dhtm_dlg_ex.h"

#include "res/resource.h"
#include "web/error_page.h"
#include "web/page_command.h"

#include <windowsx.h>

namespace {

long OffsetWidth(const CHtmlElement& element) {
    RECT rc = element.GetOffsetRect();
    return rc.right - rc.left;
}

std::wstring ExecutablePath() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(path, length);
}

void SetBodyScrollAuto(IHTMLDocument2& document) {
    fw::ComPtr<IHTMLElement> body;
    fw::ComPtr<IHTMLBodyElement> bodyElement;
    if (FAILED(document.get_body(body.put())) || !body || FAILED(body.As(&bodyElement))) return;
    BSTR value = ::SysAllocString(L"auto");
    if (value) bodyElement->put_scroll(value);
    ::SysFreeString(value);
}

}  // namespace

CDHtmDlgEx::CDHtmDlgEx(UINT templateId, CWnd* parent)
    : CDHtmlDialog(templateId, parent), m_nErrorPageId(IDR_ERROR_PAGE) {}

CDHtmDlgEx::~CDHtmDlgEx() { m_pPressed.reset(); }

BOOL CDHtmDlgEx::OnInitDialog() {
    CDHtmlDialog::OnInitDialog();
    if (IWebBrowser2* browser = GetBrowser()) browser->put_Silent(VARIANT_TRUE);
    return TRUE;
}

BOOL CDHtmDlgEx::CreateControlSite(HWND container, fw::ComPtr<COleControlSite>* site) {
    if (!site) return FALSE;
    site->attach(new CMyBrowserControlSite(container, this));
    return TRUE;
}

HRESULT CDHtmDlgEx::OnShowMessage(HWND, const wchar_t*, const wchar_t*, DWORD, const wchar_t*, DWORD, LRESULT*) {
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnShowHelp(HWND, const wchar_t*, UINT, DWORD, POINT, IDispatch*) { return S_FALSE; }

HRESULT CDHtmDlgEx::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_OK; }

HRESULT CDHtmDlgEx::GetHostInfo(DOCHOSTUIINFO* info) {
    HRESULT hr = CDHtmlDialog::GetHostInfo(info);
    // No selection of page text: the page is the window's skin.
    if (info) info->dwFlags |= DOCHOSTUIFLAG_DIALOG;
    return hr;
}

void CDHtmDlgEx::OnBeforeNavigate2(IDispatch*, const std::wstring& url, bool& cancel) {
    if (pagecmd::IsAppSchemeUrl(url))
        cancel = true;
    else if (pagecmd::IsJavascriptUrl(url))
        cancel = false;
}

void CDHtmDlgEx::OnNavigateComplete(IDispatch* frame, const std::wstring& url) {
    CDHtmlDialog::OnNavigateComplete(frame, url);
    // Runs for every frame of the page; it always looks at the top document.
    fw::ComPtr<IHTMLDocument2> document;
    if (FAILED(GetDHtmlDocument(document.put())) || !document) return;
    ReplaceErrorPage(*document.get());
    SetBodyScrollAuto(*document.get());
}

void CDHtmDlgEx::ReplaceErrorPage(IHTMLDocument2& document) {
    BSTR url = nullptr;
    if (FAILED(document.get_URL(&url)) || !url) return;
    std::wstring documentUrl(url, ::SysStringLen(url));
    ::SysFreeString(url);
    if (auto replacement = webpage::ErrorPageReplacement(documentUrl, ExecutablePath(), m_nErrorPageId))
        Navigate(replacement->c_str());
}

// ---------------------------------------------------------------- element events

namespace {

// Sprite buttons first: a "button" that is also a div is a button. The drag
// rows lie together so that a subclass can take them alone; the order of rows
// for different events does not matter (only the first match of an event
// runs).
constexpr size_t kSpriteRows = 4;
constexpr size_t kDragRows = 9;

}  // namespace

std::span<const CDHtmlDialog::ElementEvent> CDHtmDlgEx::GetElementEventTable() const { return AllEvents(); }

std::span<const CDHtmlDialog::ElementEvent> CDHtmDlgEx::DragEvents() {
    return AllEvents().subspan(kSpriteRows, kDragRows);
}

std::span<const CDHtmlDialog::ElementEvent> CDHtmDlgEx::AllEvents() {
    using D = CDHtmDlgEx;
    static const ElementEvent table[] = {
        {Selector::Class, L"button", static_cast<DISPID>(DISPID_HTMLELEMENTEVENTS2_ONMOUSEOUT), Handler(&D::OnSpriteNormal)},
        {Selector::Class, L"button", static_cast<DISPID>(DISPID_HTMLELEMENTEVENTS2_ONMOUSEOVER), Handler(&D::OnSpriteHover)},
        {Selector::Class, L"button", DISPID_HTMLELEMENTEVENTS2_ONMOUSEDOWN, Handler(&D::OnSpritePress)},
        {Selector::Class, L"button", DISPID_HTMLELEMENTEVENTS2_ONMOUSEUP, Handler(&D::OnSpriteReleaseInside)},
        {Selector::Tag, L"body", DISPID_HTMLELEMENTEVENTS2_ONMOUSEDOWN, Handler(&D::OnDragButtonDown)},
        {Selector::Tag, L"body", DISPID_HTMLELEMENTEVENTS2_ONMOUSEUP, Handler(&D::OnDragButtonUp)},
        {Selector::Tag, L"body", DISPID_HTMLELEMENTEVENTS2_ONMOUSEMOVE, Handler(&D::OnDragMouseMove)},
        {Selector::Tag, L"td", DISPID_HTMLELEMENTEVENTS2_ONMOUSEDOWN, Handler(&D::OnDragButtonDown)},
        {Selector::Tag, L"td", DISPID_HTMLELEMENTEVENTS2_ONMOUSEUP, Handler(&D::OnDragButtonUp)},
        {Selector::Tag, L"td", DISPID_HTMLELEMENTEVENTS2_ONMOUSEMOVE, Handler(&D::OnDragMouseMove)},
        {Selector::Tag, L"div", DISPID_HTMLELEMENTEVENTS2_ONMOUSEDOWN, Handler(&D::OnDragButtonDown)},
        {Selector::Tag, L"div", DISPID_HTMLELEMENTEVENTS2_ONMOUSEUP, Handler(&D::OnDragButtonUp)},
        {Selector::Tag, L"div", DISPID_HTMLELEMENTEVENTS2_ONMOUSEMOVE, Handler(&D::OnDragMouseMove)},
        {Selector::Tag, L"body", DISPID_HTMLELEMENTEVENTS2_ONCONTEXTMENU, Handler(&D::OnNoContextMenu)},
        {Selector::Tag, L"td", DISPID_HTMLELEMENTEVENTS2_ONCONTEXTMENU, Handler(&D::OnNoContextMenu)},
        {Selector::Tag, L"div", DISPID_HTMLELEMENTEVENTS2_ONCONTEXTMENU, Handler(&D::OnNoContextMenu)},
    };
    static_assert(kSpriteRows + kDragRows <= std::size(table));
    return table;
}


void CDHtmDlgEx::SetNormalFrame(CHtmlElement& element) {
    if (!HoldsCapture()) element.SetBackgroundPositionX(0);
}

void CDHtmDlgEx::SetHoverFrame(CHtmlElement& element) {
    if (HoldsCapture() || element.IsDisabled()) return;
    element.SetBackgroundPositionX(-OffsetWidth(element));
}

HRESULT CDHtmDlgEx::OnSpriteNormal(const std::shared_ptr<CHtmlElement>& element) {
    SetNormalFrame(*element);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnSpriteHover(const std::shared_ptr<CHtmlElement>& element) {
    SetHoverFrame(*element);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnSpritePress(const std::shared_ptr<CHtmlElement>& element) {
    if (element->IsDisabled()) return S_FALSE;
    m_pPressed = element;
    // With the capture the page never sees this press's mouse-up: the click
    // comes from EndSpritePress, and only over the button.
    ::SetCapture(m_hWnd);
    element->SetBackgroundPositionX(-2 * OffsetWidth(*element));
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnSpriteReleaseInside(const std::shared_ptr<CHtmlElement>& element) {
    SetHoverFrame(*element);
    element->Click();
    return S_FALSE;
}

bool CDHtmDlgEx::EndSpritePress(LPARAM point) {
    if (!HoldsCapture()) return false;
    ::ReleaseCapture();
    if (std::shared_ptr<CHtmlElement> pressed = std::move(m_pPressed)) {
        POINT pt{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
        RECT rc = pressed->GetOffsetRect();
        if (::PtInRect(&rc, pt)) {
            SetHoverFrame(*pressed);
            pressed->Click();
        } else {
            SetNormalFrame(*pressed);
        }
    }
    return true;
}

// The window's caption is wherever the page shows its background: the
// system's own move loop then drags the window. These messages carry the
// cursor in screen coordinates, as the system defines them.
void CDHtmDlgEx::SendDragMessage(UINT msg) {
    POINT pt{};
    ::GetCursorPos(&pt);
    ::SendMessageW(DragWindow(), msg, HTCAPTION, MAKELPARAM(pt.x, pt.y));
}

HRESULT CDHtmDlgEx::OnDragButtonDown(const std::shared_ptr<CHtmlElement>&) {
    SendDragMessage(WM_NCLBUTTONDOWN);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnDragButtonUp(const std::shared_ptr<CHtmlElement>&) {
    SendDragMessage(WM_NCLBUTTONUP);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnDragMouseMove(const std::shared_ptr<CHtmlElement>&) {
    SendDragMessage(WM_NCMOUSEMOVE);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnNoContextMenu(const std::shared_ptr<CHtmlElement>&) { return S_FALSE; }

LRESULT CDHtmDlgEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if ((msg == WM_LBUTTONUP || msg == WM_RBUTTONUP) && EndSpritePress(lParam)) return 0;
    // The pressed element belongs to the page, which goes with the browser
    // in the base's WM_DESTROY: it is let go first, not when the object goes.
    if (msg == WM_DESTROY) m_pPressed.reset();
    return CDHtmlDialog::WindowProc(msg, wParam, lParam);
}
