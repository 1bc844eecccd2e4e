#include "ui/win32/MainWindow.h"

#include "platform/win32/GdiPicture.h"
#include "platform/win32/WideText.h"
#include "ui/win32/Painting.h"
#include "ui/win32/resource.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace tobble {

static_assert(IDM_REPEAT == static_cast<int>(MenuCommand::mnuRepeat));
static_assert(IDM_SHRINK == static_cast<int>(MenuCommand::mnuShrink));
static_assert(IDM_ONOFF == static_cast<int>(MenuCommand::mnuOnOff));
static_assert(IDM_SETTIME == static_cast<int>(MenuCommand::mnuSetTime));
static_assert(IDM_RELOAD == static_cast<int>(MenuCommand::mnuReload));
static_assert(IDM_OPENCONFIG == static_cast<int>(MenuCommand::mnuOpenConfig));
static_assert(IDM_ABOUT == static_cast<int>(MenuCommand::mnuAbout));
static_assert(IDM_QUIT == static_cast<int>(MenuCommand::mnuQuit));

namespace {

constexpr wchar_t kClassName[] = L"TobbleForm1";
constexpr UINT kStartupMessage = WM_APP + 1;
constexpr UINT_PTR kRandomTimerId = 1;
constexpr UINT_PTR kFlashTimerId = 2;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

// Functions of newer Windows versions, looked up at run time so the program still starts on
// older ones.
template <typename Function> Function user32Function(const char* name) {
    FARPROC address = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

UINT screenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT windowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && hwnd) {
        if (const UINT dpi = getDpiForWindow(hwnd))
            return dpi;
    }
    return screenDpi();
}

void adjustWindowRect(RECT* rect, UINT dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = user32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (!adjustForDpi || !adjustForDpi(rect, kStyle, TRUE, kExStyle, dpi))
        AdjustWindowRectEx(rect, kStyle, TRUE, kExStyle);
}

int shiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance, Platform& platform)
    : instance_(instance), randomDriver_(hwnd_, kRandomTimerId), flashDriver_(hwnd_, kFlashTimerId),
      program_(*this, platform, randomDriver_, flashDriver_) {}

MainWindow::~MainWindow() {
    if (hwnd_)
        DestroyWindow(hwnd_);
    if (picture_)
        DeleteObject(picture_);
}

HWND MainWindow::create() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TOBBLE));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TOBBLE),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MAINMENU);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass))
        return nullptr;

    const UINT dpi = screenDpi();
    RECT outer{0, 0, MulDiv(layout::kClientWidth, static_cast<int>(dpi), 1440),
               MulDiv(layout::kClientHeight, static_cast<int>(dpi), 1440)};
    adjustWindowRect(&outer, dpi);
    if (!CreateWindowExW(kExStyle, kClassName, wide(layout::kInitialCaption), kStyle, CW_USEDEFAULT,
                         CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, nullptr,
                         nullptr, instance_, this))
        return nullptr;

    // The frame may differ from what was reckoned (another DPI on this monitor, a menu bar of
    // another height): give the client area exactly its size, then centre the whole window.
    RECT client;
    GetClientRect(hwnd_, &client);
    RECT window;
    GetWindowRect(hwnd_, &window);
    const int width =
        window.right - window.left + toPixels(layout::kClientWidth) - (client.right - client.left);
    const int height =
        window.bottom - window.top + toPixels(layout::kClientHeight) - (client.bottom - client.top);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return hwnd_;
}

LRESULT CALLBACK MainWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* window = static_cast<MainWindow*>(created->lpCreateParams);
        window->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->text1_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // An exception must not unwind through the system's own frames.
    try {
        return self->handleMessage(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate();
        return 0;
    case WM_DESTROY:
        onDestroy();
        return 0;
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT covers every pixel
    case WM_ACTIVATE:
        onActivate(wParam);
        return 0;
    case WM_SETFOCUS:
        SetFocus(text1_);
        return 0;
    case WM_SHOWWINDOW:
        if (wParam)
            onShown();
        break;
    case kStartupMessage:
        onStartup();
        return 0;
    case WM_TIMER:
        onTimer(wParam);
        return 0;
    case WM_COMMAND:
        onCommand(wParam, lParam);
        return 0;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == hwnd_ && onSetCursor(lParam))
            return TRUE;
        break;
    case WM_LBUTTONDOWN:
        onLButtonDown(lParam);
        return 0;
    case WM_LBUTTONUP:
        onLButtonUp(lParam);
        return 0;
    case WM_CAPTURECHANGED:
        label2Pressed_ = false;
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void MainWindow::onCreate() {
    dpi_ = windowDpi(hwnd_);
    createFonts();
    microphone_ = LoadCursorW(instance_, MAKEINTRESOURCEW(IDC_MICROPHONE));

    text1_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, 0, 0, 0,
                             0, hwnd_, reinterpret_cast<HMENU>(IDC_TEXT1), instance_, nullptr);
    SendMessageW(text1_, EM_LIMITTEXT, 0, 0); // no length limit
    SendMessageW(text1_, WM_SETFONT, reinterpret_cast<WPARAM>(text1Font_.get()), FALSE);
    SetWindowLongPtrW(text1_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    text1DefaultProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(text1_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(text1Proc)));
    placeText1();
}

void MainWindow::onDestroy() {
    PostQuitMessage(0);
}

// Drawn into a memory bitmap first, so a flash to red and back never flickers.
void MainWindow::onPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd_, &paint);
    RECT client;
    GetClientRect(hwnd_, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width > 0 && height > 0) {
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP canvas = CreateCompatibleBitmap(dc, width, height);
        HGDIOBJ previous = SelectObject(memory, canvas);

        HBRUSH back = CreateSolidBrush(backColor_);
        FillRect(memory, &client, back);
        DeleteObject(back);
        // Bottom to top: the picture, the speech label, the caption of the question box.
        paintImage1(memory);
        paintLabel(memory, layout::kLabel1, label1Caption_, DT_CENTER);
        paintLabel(memory, layout::kLabel3, layout::kAskCaption, DT_LEFT);

        BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteObject(canvas);
        DeleteDC(memory);
    }
    EndPaint(hwnd_, &paint);
}

void MainWindow::paintImage1(HDC dc) const {
    if (!picture_)
        return;
    const RECT box = image1Rect();
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, picture_);
    // Without HALFTONE a shrunk picture loses whole rows and columns.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, source, 0, 0,
               pictureSize_.cx, pictureSize_.cy, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

// A label: transparent over whatever lies below, wrapped at words, cut off at its bottom edge,
// "&" underlining the next character.
void MainWindow::paintLabel(HDC dc, const layout::Rect& where, const std::u16string& text,
                            UINT alignment) const {
    if (text.empty())
        return;
    RECT box = toPixels(where);
    HGDIOBJ previous = SelectObject(dc, labelFont_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, layout::kWhite);
    DrawTextW(dc, wide(text), static_cast<int>(text.size()), &box, alignment | DT_WORDBREAK);
    SelectObject(dc, previous);
}

void MainWindow::onActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE)
        return;
    // Text1 is the only control that takes the focus.
    if (!HIWORD(wParam))
        SetFocus(text1_);
    onShown();
}

// The start-up sequence runs once the window is on the screen, after the message that showed
// or activated it is done: its message box must not nest inside activation.
void MainWindow::onShown() {
    if (startupPosted_)
        return;
    startupPosted_ = true;
    PostMessageW(hwnd_, kStartupMessage, 0, 0);
}

void MainWindow::onStartup() {
    program_.activated();
}

void MainWindow::onTimer(UINT_PTR id) {
    if (id == kRandomTimerId)
        program_.tmrRandomTicked();
    else if (id == kFlashTimerId)
        program_.tmrFlashTicked();
}

void MainWindow::onCommand(WPARAM wParam, LPARAM lParam) {
    if (lParam != 0)
        return; // notifications from Text1
    const int id = LOWORD(wParam);
    if (id >= IDM_REPEAT && id <= IDM_QUIT)
        program_.menuChosen(static_cast<MenuCommand>(id));
}

bool MainWindow::onSetCursor(LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT || !microphone_)
        return false;
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(hwnd_, &point);
    const RECT area = label2Rect();
    if (!PtInRect(&area, point))
        return false;
    SetCursor(microphone_);
    return true;
}

// Label2 is clicked like a control: pressed inside it and released inside it.
void MainWindow::onLButtonDown(LPARAM lParam) {
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const RECT area = label2Rect();
    if (!PtInRect(&area, point))
        return;
    SetCapture(hwnd_);
    label2Pressed_ = true;
}

void MainWindow::onLButtonUp(LPARAM lParam) {
    const bool pressed = label2Pressed_;
    label2Pressed_ = false;
    if (GetCapture() == hwnd_)
        ReleaseCapture();
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const RECT area = label2Rect();
    if (pressed && PtInRect(&area, point))
        program_.label2Clicked(1);
}

void MainWindow::onDpiChanged(UINT dpi, const RECT* suggested) {
    dpi_ = dpi ? dpi : 96;
    createFonts();
    SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    placeText1();
    redraw(false);
}

void MainWindow::onText1KeyDown(WPARAM key) {
    program_.text1KeyDown(static_cast<std::int16_t>(key), shiftState());
}

LRESULT CALLBACK MainWindow::text1Proc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(edit, GWLP_USERDATA));
    try {
        switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            self->onText1KeyDown(wParam);
            break; // the key still reaches the edit control
        case WM_CHAR:
        case WM_SYSCHAR:
            // A single-line EDIT answers Enter with a beep, and that beep would cut off the
            // answer's sound that the key-down has just started.
            if (wParam == L'\r' || wParam == L'\n')
                return 0;
            break;
        }
    } catch (...) {
    }
    return CallWindowProcW(self->text1DefaultProc_, edit, message, wParam, lParam);
}

void MainWindow::createFonts() {
    labelFont_ = makeLabelFont(dpi_);
    // Text1 lets go of its old font before that font is deleted.
    gdi::Font text1Font = makeText1Font(dpi_);
    if (text1_)
        SendMessageW(text1_, WM_SETFONT, reinterpret_cast<WPARAM>(text1Font.get()), TRUE);
    text1Font_ = std::move(text1Font);
}

void MainWindow::placeText1() {
    const RECT box = toPixels(layout::kText1);
    MoveWindow(text1_, box.left, box.top, box.right - box.left, box.bottom - box.top, TRUE);
}

RECT MainWindow::toPixels(const layout::Rect& r) const {
    const int left = toPixels(r.left);
    const int top = toPixels(r.top);
    return {left, top, left + toPixels(r.width), top + toPixels(r.height)};
}

RECT MainWindow::label2Rect() const {
    return toPixels(
        layout::Rect{label2Pos_.x, label2Pos_.y, layout::kLabel2.width, layout::kLabel2.height});
}

RECT MainWindow::image1Rect() const {
    return toPixels(
        layout::Rect{image1Pos_.x, image1Pos_.y, layout::kImage1.width, layout::kImage1.height});
}

void MainWindow::redraw(bool now) {
    if (!hwnd_)
        return;
    InvalidateRect(hwnd_, nullptr, FALSE);
    if (now)
        UpdateWindow(hwnd_);
}

void MainWindow::setBackColor(std::uint32_t colour) {
    backColor_ = colour;
    redraw(true);
}

void MainWindow::setCaption(const std::u16string& caption) {
    SetWindowTextW(hwnd_, wide(caption));
}

void MainWindow::setLabel1Caption(const std::u16string& caption) {
    label1Caption_ = caption;
    redraw(false);
}

void MainWindow::setImage1Picture(PicturePtr picture) {
    if (picture_)
        DeleteObject(picture_);
    picture_ = picture ? toGdiBitmap(*picture) : nullptr;
    pictureSize_ = picture ? SIZE{picture->width, picture->height} : SIZE{};
    redraw(false);
}

void MainWindow::moveImage1(int left, int top) {
    image1Pos_ = {left, top};
    redraw(false);
}

void MainWindow::moveLabel2(int /*index*/, int left, int top) {
    label2Pos_ = {left, top};
}

// Outer sizes, frame, title bar and menu bar included, at this monitor's DPI.
void MainWindow::setWidth(int twips) {
    RECT window;
    GetWindowRect(hwnd_, &window);
    SetWindowPos(hwnd_, nullptr, 0, 0, toPixels(twips), window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::setHeight(int twips) {
    RECT window;
    GetWindowRect(hwnd_, &window);
    SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left, toPixels(twips),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool MainWindow::isChecked(MenuCommand item) const {
    const UINT state = GetMenuState(GetMenu(hwnd_), static_cast<UINT>(item), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED);
}

void MainWindow::setChecked(MenuCommand item, bool checked) {
    CheckMenuItem(GetMenu(hwnd_), static_cast<UINT>(item),
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

} // namespace tobble
