// The stand-in's window and its rich-text view of the story.
#include "standin/pmstandin/story_window.h"

#include <richedit.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "standin/host/story_rtf.h"

namespace standin {
namespace {

constexpr wchar_t kClassName[] = L"PmStandinFrame";
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 250;
// More changed ranges than this are cheaper to show by loading the story anew.
constexpr size_t kReloadThreshold = 2000;

CHARFORMAT2W ToCharFormat(const CharFormat& f) {
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_FACE | CFM_CHARSET | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_OFFSET | CFM_SPACING;
    if (f.typeStyle & kBold) cf.dwEffects |= CFE_BOLD;
    if (f.typeStyle & kItalic) cf.dwEffects |= CFE_ITALIC;
    if (f.typeStyle & TypeStyleBit(3)) cf.dwEffects |= CFE_UNDERLINE;
    if (f.typeStyle & TypeStyleBit(4)) cf.dwEffects |= CFE_STRIKEOUT;
    cf.yHeight = std::lround(f.size * 20);
    cf.yOffset = std::lround(f.shift * 20);
    cf.sSpacing = static_cast<SHORT>(std::lround(LetterSpacingEm(f) * f.size * 20));
    cf.bCharSet = RUSSIAN_CHARSET;
    MultiByteToWideChar(CP_ACP, 0, f.font.c_str(), -1, cf.szFaceName, LF_FACESIZE);
    cf.szFaceName[LF_FACESIZE - 1] = L'\0';
    return cf;
}

struct StreamSource {
    const std::string& text;
    size_t offset = 0;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto& source = *reinterpret_cast<StreamSource*>(cookie);
    const size_t n = std::min(static_cast<size_t>(wanted), source.text.size() - source.offset);
    std::memcpy(buffer, source.text.data() + source.offset, n);
    source.offset += n;
    *given = static_cast<LONG>(n);
    return 0;
}

}  // namespace

StoryWindow::~StoryWindow() {
    if (frame_) DestroyWindow(frame_);
    if (richEdit_) FreeLibrary(richEdit_);
}

bool StoryWindow::Create(HINSTANCE instance, const std::wstring& title, int show, std::string& error) {
    richEdit_ = LoadLibraryW(L"riched20.dll");
    if (!richEdit_) {
        error = "cannot load riched20.dll";
        return false;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    frame_ = CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 900, 700, nullptr,
                             nullptr, instance, this);
    if (!frame_) {
        error = "cannot create the main window";
        return false;
    }
    view_ = CreateWindowExW(0, RICHEDIT_CLASSW, L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_NOHIDESEL | ES_AUTOVSCROLL, 0, 0, 0,
                            0, frame_, nullptr, instance, nullptr);
    if (!view_) {
        error = "cannot create the rich-text view";
        return false;
    }
    SendMessageW(view_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    LoadWholeStory();
    RECT client;
    GetClientRect(frame_, &client);
    MoveWindow(view_, 0, 0, client.right, client.bottom, FALSE);
    ShowWindow(frame_, show);
    UpdateWindow(frame_);
    SetTimer(frame_, kRefreshTimer, kRefreshMs, nullptr);
    return true;
}

LRESULT CALLBACK StoryWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<StoryWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->frame_ = hwnd;
    }
    auto* self = reinterpret_cast<StoryWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT StoryWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (view_) MoveWindow(view_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_TIMER:
            if (wParam == kRefreshTimer) Refresh();
            return 0;
        case WM_DESTROY:
            KillTimer(frame_, kRefreshTimer);
            SetWindowLongPtrW(frame_, GWLP_USERDATA, 0);
            frame_ = view_ = nullptr;
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(frame_, message, wParam, lParam);
}

void StoryWindow::LoadWholeStory() {
    const Story& story = pub_.story;
    shownLength_ = story.ParagraphCount() > kShownParagraphs ? story.ParagraphStart(kShownParagraphs) : story.Length();
    const std::string rtf = StoryRtf(pub_, kShownParagraphs);
    StreamSource source{rtf};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = ReadStream;
    SendMessageW(view_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    shownAnchor_ = shownCaret_ = -1;
}

void StoryWindow::MarkChanged(int from, int to) {
    // A name gets several formatting commands in a row, all over the same
    // characters: keep one range for them.
    if (from >= shownLength_ || (!pending_.empty() && pending_.back() == std::make_pair(from, to))) return;
    pending_.emplace_back(from, to);
}

void StoryWindow::Refresh() {
    const Story& story = pub_.story;
    const bool selectionMoved = story.Anchor() != shownAnchor_ || story.Caret() != shownCaret_;
    if (pending_.empty() && !selectionMoved) return;
    SendMessageW(view_, WM_SETREDRAW, FALSE, 0);
    if (pending_.size() > kReloadThreshold) {
        LoadWholeStory();
    } else {
        for (const auto& [from, to] : pending_) {
            story.ForEachRun(from, std::min(to, shownLength_), [&](int runFrom, int runTo, FormatId id) {
                CHARRANGE range{runFrom, runTo};
                SendMessageW(view_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
                CHARFORMAT2W cf = ToCharFormat(pub_.formats[id]);
                SendMessageW(view_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
            });
        }
    }
    pending_.clear();
    CHARRANGE selection{std::min(story.Anchor(), shownLength_), std::min(story.Caret(), shownLength_)};
    SendMessageW(view_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    shownAnchor_ = story.Anchor();
    shownCaret_ = story.Caret();
    SendMessageW(view_, WM_SETREDRAW, TRUE, 0);
    if (selectionMoved) SendMessageW(view_, EM_SCROLLCARET, 0, 0);
    InvalidateRect(view_, nullptr, TRUE);
}

}  // namespace standin
