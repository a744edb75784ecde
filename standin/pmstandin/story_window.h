// The stand-in's main window: a top-level window titled like the host's,
// "Adobe PageMaker 6.5 - [name]", that shows the story with its character
// formatting in a rich-text view.
//
// The view follows the host's changes in batches: the host reports each
// changed range, and a timer applies the ranges gathered since its last tick
// (and moves the view's selection to the story's), so that a run of
// thousands of names costs the host nothing per exchange.
//
// NOTE: Wine 8's rich-text control takes about 12 s to load a story of
// 20,000 paragraphs (measured: 14 s to the first answered query against
// 1.8 s without the view), so the view holds only the first
// kShownParagraphs paragraphs; the dumps always hold the whole story.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "standin/host/publication.h"

namespace standin {

class StoryWindow {
public:
    static constexpr int kShownParagraphs = 2000;

    explicit StoryWindow(const Publication& pub) : pub_(pub) {}
    ~StoryWindow();
    StoryWindow(const StoryWindow&) = delete;
    StoryWindow& operator=(const StoryWindow&) = delete;

    // Creates and shows the window with the whole story; false with a
    // message when the window or the rich-text control cannot be made.
    [[nodiscard]] bool Create(HINSTANCE instance, const std::wstring& title, int show, std::string& error);

    // Formatting changed over from..to-1; shown at the next refresh.
    void MarkChanged(int from, int to);

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void LoadWholeStory();
    void Refresh();

    const Publication& pub_;
    HWND frame_ = nullptr, view_ = nullptr;
    HMODULE richEdit_ = nullptr;
    std::vector<std::pair<int, int>> pending_;
    int shownLength_ = 0;  // the story's characters the view holds
    int shownAnchor_ = -1, shownCaret_ = -1;
};

}  // namespace standin
