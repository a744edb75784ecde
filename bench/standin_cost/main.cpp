// standin_cost: what one exchange costs the host stand-in, for a short story
// and a long one. Drives the interpreter directly (no link) with the
// exchanges of a whole-story formatting walk with the style filter on, over
// a synthetic play in which half the paragraphs open with a listed name, and
// prints the time per exchange at 200 and 20,000 paragraphs and their ratio.
// Every command and query must cost the same whatever the story's length, so
// the ratio should stay near 1.
//
//   standin_cost [ROUNDS]   (default 3; the best round counts)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/locale.h"
#include "platform/standin/services.h"
#include "standin/host/host.h"

namespace {

const char* const kCast[] = {"Анна", "Анна Павловна", "Борис", "Вера", "Глеб", "Глеб Ильич",
                             "Дарья", "Егор", "Жанна", "Зоя", "Илья", "Кира"};

std::string Play(int paragraphs) {
    std::string json = R"({"styles": [{"name": "Реплика", "leading": -1}, {"name": "Ремарка", "size": 10, "type_style": ["italic"]}],
                          "paragraphs": [)";
    for (int p = 0; p < paragraphs; ++p) {
        if (p) json += ",";
        const bool speech = p % 2 == 0;
        const std::string text = speech ? std::string(kCast[(p / 2) % std::size(kCast)]) + ". Вечер, сад, чай и тишина на веранде."
                                        : "Пауза. Где-то далеко играет гармонь.";
        json += R"({"style": ")" + std::string(speech || p % 4 == 1 ? "Реплика" : "Ремарка") + R"(", "text": ")" + text + "\"}";
    }
    return json + "]}";
}

struct Walker {
    standin::PageMakerHost& host;
    platform::standin::Clipboard& clipboard;
    std::vector<std::string> cast;  // ANSI, sorted
    long exchanges = 0;

    void Exec(const std::string& command) {
        (void)host.Execute(command);
        (void)host.AfterExchange();
        ++exchanges;
    }
    std::string Ask(const char* query) {
        auto reply = host.Request(query);
        (void)host.AfterExchange();
        ++exchanges;
        return reply.value_or("");
    }

    // One whole-story walk, as the program sends it.
    void Walk(const std::string& filterStyle) {
        size_t longest = 0;
        for (const auto& name : cast) longest = std::max(longest, name.size());
        const std::string select = "TextSelect 0 " + std::to_string(longest), back = "TextSelect 1 " + std::to_string(longest);
        Ask("GetTextCursor");
        Exec("TextCursor 10 1");
        const std::string last = Ask("GetTextCursor");
        const long storyEnd = std::atol(last.substr(last.rfind(',') + 1).c_str());
        Exec("TextCursor 11 1");
        Ask("GetTextCursor");
        for (long at = 0; at < storyEnd;) {
            if (Ask("GetStyle") == filterStyle) {
                Exec(select);
                Ask("GetPMState");
                (void)clipboard.Clear();
                Exec("Copy");
                Ask("GetPMState");
                const std::string copied = clipboard.text.value_or("");
                Exec(back);
                for (auto name = cast.rbegin(); name != cast.rend(); ++name) {
                    if (copied.compare(0, name->size(), *name) != 0) continue;
                    const std::string n = std::to_string(name->size());
                    Exec("TextSelect 0 " + n);
                    for (const char* command : {"KernText -0.05", "Font \"Arial Cyr\"", "Size 10.50", "Track 2", "SetWidth 95",
                                                "TypeStyle 0", "TypeStyle 1", "TypeOptions -2.00 -2.00 -2.00 -2.00 1.50 1"})
                        Exec(command);
                    Exec("TextSelect 1 " + n);
                    break;
                }
            }
            Exec("TextCursor 6 1");
            const std::string cursor = Ask("GetTextCursor");
            at = std::atol(cursor.substr(cursor.rfind(',') + 1).c_str());
        }
        Exec("SetTextCursor 1 0 0");
    }
};

// Nanoseconds per exchange for walks over a story of `paragraphs`, walked
// `walks` times so that both sizes send about the same number of exchanges.
double NanosPerExchange(int paragraphs, int walks, long& exchanges) {
    std::string error;
    auto pub = standin::ParsePublication(Play(paragraphs), error);
    if (!pub) {
        std::fprintf(stderr, "standin_cost: %s\n", error.c_str());
        std::exit(1);
    }
    platform::standin::Clipboard clipboard;
    standin::PageMakerHost host(std::move(*pub), clipboard);
    Walker walker{host, clipboard, {}};
    for (const char* name : kCast) walker.cast.push_back(platform::Utf8ToAnsi(name));
    std::sort(walker.cast.begin(), walker.cast.end());
    const std::string filter = "\"" + platform::Utf8ToAnsi("Реплика") + "\"";
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < walks; ++i) walker.Walk(filter);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    exchanges = walker.exchanges;
    return seconds * 1e9 / static_cast<double>(walker.exchanges);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const struct {
        int paragraphs, walks;
    } sizes[] = {{200, 100}, {20000, 1}};
    double best[2] = {1e30, 1e30};
    long exchanges[2] = {0, 0};
    for (int round = 0; round < rounds; ++round)
        for (int i = 0; i < 2; ++i) best[i] = std::min(best[i], NanosPerExchange(sizes[i].paragraphs, sizes[i].walks, exchanges[i]));
    std::printf("standin_cost: host stand-in, whole-story walk with the style filter, best of %d rounds\n", rounds);
    for (int i = 0; i < 2; ++i)
        std::printf("  %6d paragraphs: %8ld exchanges, %8.0f ns per exchange\n", sizes[i].paragraphs, exchanges[i], best[i]);
    std::printf("  ratio (20000 / 200): %.2f\n", best[1] / best[0]);
    return 0;
}
