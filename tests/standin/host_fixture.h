// The host stand-in with a four-paragraph story, shared by the host's tests.
//
//   0 "Анна. Да."          Реплика   0..9, CR at 9
//   1 ""                   Ремарка   10, CR at 10
//   2 "Борис. Нет, нет."   Реплика   11..27, CR at 27
//   3 "Занавес"            Ремарка   28..35 (the story's end)
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/locale.h"
#include "platform/standin/services.h"
#include "standin/host/host.h"

namespace standin {

inline constexpr const char* kSmallPlay = R"({
  "name": "Проба",
  "fonts": ["Times New Roman Cyr", {"name": "Arial Cyr", "info": [4, 204, 34]}],
  "styles": [
    {"name": "Реплика", "size": 12, "leading": -1},
    {"name": "Ремарка", "size": 10, "type_style": ["italic"], "leading": 12, "shift": -1.5}
  ],
  "paragraphs": [
    {"style": "Реплика", "text": "Анна. Да."},
    {"style": "Ремарка", "text": ""},
    {"style": "Реплика", "text": "Борис. Нет, нет."},
    {"style": "Ремарка", "text": "Занавес"}
  ]
})";

class HostFixture : public ::testing::Test {
protected:
    void SetUp() override { Load(kSmallPlay); }

    void Load(const std::string& json) {
        std::string error;
        auto pub = ParsePublication(json, error);
        ASSERT_TRUE(pub) << error;
        host = std::make_unique<PageMakerHost>(std::move(*pub), clipboard);
        host->strict = true;
        host->pause = [this](double seconds) { pauses.push_back(seconds); };
    }

    // Commands and queries as the program writes them (UTF-8 here, ANSI on the wire).
    bool Send(const std::string& command) { return host->Execute(platform::Utf8ToAnsi(command)) == standin::PageMakerHost::Verdict::Done; }
    std::string Ask(const std::string& query) {
        auto reply = host->Request(query);
        return reply ? platform::AnsiToUtf8(*reply) : "<refused>";
    }
    std::string Cursor() { return Ask("GetTextCursor"); }
    const TranscriptEntry& Last() const { return host->transcript().Entries().back(); }
    const CharFormat& FormatAt(int position) const {
        return host->publication().formats[host->publication().story.FormatAt(position)];
    }

    platform::standin::Clipboard clipboard;
    std::unique_ptr<PageMakerHost> host;
    std::vector<double> pauses;
};

}  // namespace standin
