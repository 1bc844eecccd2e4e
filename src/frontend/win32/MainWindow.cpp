#include "frontend/win32/MainWindow.h"

#include "frontend/win32/Painting.h"
#include "frontend/win32/TextLabel.h"
#include "frontend/win32/platform/GdiPicture.h"
#include "frontend/win32/platform/WideText.h"
#include "frontend/win32/resource.h"
#include "ui/Captions.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace tobble {

namespace {

constexpr wchar_t kClassName[] = L"TobbleForm1";
constexpr UINT kStartupMessage = WM_APP + 1;
constexpr UINT_PTR kRandomTimerId = 1;
constexpr UINT_PTR kFlashTimerId = 2;
// A fixed size: no maximize box, no sizing border.
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

// The outer rectangle of a window of our style whose client area is the given one.
void adjustWindowRect(RECT* rect, UINT dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = user32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (!adjustForDpi || !adjustForDpi(rect, kStyle, TRUE, kExStyle, dpi))
        AdjustWindowRectEx(rect, kStyle, TRUE, kExStyle);
}

SIZE clientSize(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    return {client.right, client.bottom};
}

SIZE windowSize(HWND hwnd) {
    RECT window{};
    GetWindowRect(hwnd, &window);
    return {window.right - window.left, window.bottom - window.top};
}

int shiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

bool registerWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TOBBLE));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TOBBLE),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance, const Platform& platform)
    : instance_(instance), randomDriver_(hwnd_, kRandomTimerId), flashDriver_(hwnd_, kFlashTimerId),
      program_(*this, platform, randomDriver_, flashDriver_) {}

MainWindow::~MainWindow() {
    if (hwnd_)
        DestroyWindow(hwnd_);
}

HWND MainWindow::create() {
    if (!registerWindowClass(instance_, windowProc))
        return nullptr;
    // The menu is the window's from here on and is destroyed with it.
    HMENU menu = buildMenuBar();
    if (!CreateWindowExW(kExStyle, kClassName, wide(captions::kInitialCaption), kStyle,
                         CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, menu, instance_, this)) {
        DestroyMenu(menu);
        return nullptr;
    }
    resizeClient(layout::kClientWidth, layout::kClientHeight);

    const SIZE size = windowSize(hwnd_);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - size.cx) / 2,
                 work.top + (work.bottom - work.top - size.cy) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return hwnd_;
}

bool MainWindow::translateAccelerator(MSG& message) const {
    return hwnd_ && TranslateAcceleratorW(hwnd_, accelerators_.get(), &message);
}

// Failures of the program's handlers stop at the program's own boundary. The window's own code
// can fail only by running out of memory, and that ends the program here (noexcept) rather than
// unwind through the system's frames.
LRESULT CALLBACK MainWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* window =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        window->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->text1_ = self->label1_ = self->label3_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->handleMessage(message, wParam, lParam);
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
    case WM_PRINTCLIENT:
        // Label2 shows what lies below it.
        paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        return onLabelColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
        onActivate(wParam);
        return 0;
    case WM_SETFOCUS:
        onFocus();
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
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
        followSharedAccessKeys(hwnd_, message == WM_ENTERMENULOOP);
        break;
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

    // Made after Text1, so that Text1 lies above the caption that it overlaps by a pixel.
    label1_ = createTextLabel(hwnd_, instance_, IDC_LABEL1, SS_CENTER, L"");
    label3_ = createTextLabel(hwnd_, instance_, IDC_LABEL3, SS_LEFT, wide(captions::kAskCaption));
    for (HWND label : {label1_, label3_})
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()), FALSE);
    label2_.create(hwnd_, instance_, IDC_LABEL2, wide(captions::kLabel2Name), microphone_);
    placeControls();
}

void MainWindow::onDestroy() {
    PostQuitMessage(0);
}

void MainWindow::onPaint() {
    const gdi::Paint painting(hwnd_);
    paint(painting.dc());
}

void MainWindow::paint(HDC dc) {
    paintForm(dc, clientSize(hwnd_), {backColor_, picture_.get(), pictureSize_, image1Rect()});
}

// White text on the form's own colour, whichever it is at the moment.
LRESULT MainWindow::onLabelColour(HDC dc, HWND label) {
    if (label != label1_ && label != label3_)
        return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(label));
    SetTextColor(dc, layout::kWhite);
    SetBkColor(dc, backColor_);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(backBrush_.get());
}

void MainWindow::onActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE)
        return;
    if (!HIWORD(wParam))
        onFocus();
    onShown();
}

// Text1 is the only control that takes the focus.
void MainWindow::onFocus() {
    SetFocus(text1_);
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

// Menu items and shortcut keys, and Label2 pressed; the other controls' notifications are not
// choices.
void MainWindow::onCommand(WPARAM wParam, LPARAM lParam) {
    if (lParam != 0) {
        if (reinterpret_cast<HWND>(lParam) == label2_.handle() && HIWORD(wParam) == BN_CLICKED)
            program_.label2Clicked(1);
        return;
    }
    if (const auto command = menuCommandFor(LOWORD(wParam)))
        program_.menuChosen(*command);
}

// Everything is laid out anew at the new DPI, the client area keeping its size in twips.
void MainWindow::onDpiChanged(UINT dpi, const RECT* suggested) {
    dpi_ = dpi ? dpi : 96;
    createFonts();
    SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    resizeClient(clientTwips_.cx, clientTwips_.cy);
    placeControls();
    redraw(false);
}

void MainWindow::onText1KeyDown(WPARAM key) {
    program_.text1KeyDown(static_cast<std::int16_t>(key), shiftState());
}

LRESULT CALLBACK MainWindow::text1Proc(HWND edit, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(edit, GWLP_USERDATA));
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
    return CallWindowProcW(self->text1DefaultProc_, edit, message, wParam, lParam);
}

// The controls let go of their old fonts before those are deleted.
void MainWindow::createFonts() {
    gdi::Font labelFont = makeLabelFont(dpi_);
    for (HWND label : {label1_, label3_})
        if (label)
            SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont.get()), TRUE);
    labelFont_ = std::move(labelFont);
    gdi::Font text1Font = makeText1Font(dpi_);
    if (text1_)
        SendMessageW(text1_, WM_SETFONT, reinterpret_cast<WPARAM>(text1Font.get()), TRUE);
    text1Font_ = std::move(text1Font);
}

void MainWindow::placeControls() {
    const auto place = [](HWND control, const RECT& box) {
        MoveWindow(control, box.left, box.top, box.right - box.left, box.bottom - box.top, TRUE);
    };
    place(text1_, toPixels(layout::kText1));
    place(label1_, toPixels(layout::kLabel1));
    place(label3_, toPixels(layout::kLabel3));
    place(label2_.handle(), label2Rect());
}

// Gives the client area exactly this size, whatever the frame and the menu bar take: reckoned
// from the style first, then corrected by what the window really got (a menu bar that wraps, a
// frame of another theme).
void MainWindow::resizeClient(int widthTwips, int heightTwips) {
    clientTwips_ = {widthTwips, heightTwips};
    const SIZE wanted{toPixels(widthTwips), toPixels(heightTwips)};
    RECT outer{0, 0, wanted.cx, wanted.cy};
    adjustWindowRect(&outer, dpi_);
    SIZE size{outer.right - outer.left, outer.bottom - outer.top};
    for (int attempt = 0; attempt < 3; ++attempt) {
        SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        const SIZE got = clientSize(hwnd_);
        if (got.cx == wanted.cx && got.cy == wanted.cy)
            return;
        const SIZE outerNow = windowSize(hwnd_);
        size = {outerNow.cx + wanted.cx - got.cx, outerNow.cy + wanted.cy - got.cy};
    }
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

// The form, and the controls that show its colour or its picture; Text1 keeps its own look.
void MainWindow::redraw(bool now) {
    if (!hwnd_)
        return;
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN);
    for (HWND control : {label1_, label3_, label2_.handle()})
        if (control)
            RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE);
    if (now)
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void MainWindow::setBackColor(std::uint32_t colour) {
    backColor_ = colour;
    backBrush_.reset(CreateSolidBrush(colour));
    redraw(true);
}

void MainWindow::setCaption(const std::u16string& caption) {
    SetWindowTextW(hwnd_, wide(caption));
}

std::u16string MainWindow::currentCaption() const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
    return fromWide(text);
}

void MainWindow::setLabel1Caption(const std::u16string& caption) {
    SetWindowTextW(label1_, wide(caption));
}

void MainWindow::setImage1Picture(PicturePtr picture) {
    picture_.reset(picture ? toGdiBitmap(*picture) : nullptr);
    pictureSize_ = picture ? SIZE{picture->width, picture->height} : SIZE{};
    redraw(false);
}

void MainWindow::moveImage1(int left, int top) {
    image1Pos_ = {left, top};
    redraw(false);
}

void MainWindow::moveLabel2(int /*index*/, int left, int top) {
    label2Pos_ = {left, top};
    const RECT area = label2Rect();
    MoveWindow(label2_.handle(), area.left, area.top, area.right - area.left,
               area.bottom - area.top, TRUE);
}

// The program sets outer sizes as the classic frame measures them; the client area gets that
// size less the classic frame, whatever this system's frame and menu bar take.
void MainWindow::setWidth(int twips) {
    resizeClient(twips - layout::kFrameWidth, clientTwips_.cy);
}

void MainWindow::setHeight(int twips) {
    resizeClient(clientTwips_.cx, twips - layout::kFrameHeight);
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
