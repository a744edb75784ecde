// ProbeLink: the command layer with a memory, for the probe. It keeps every
// command and query text it sent since the caller last cleared `sent`, and
// the raw text of the last reply, so that a report can show exactly what went
// to the host and what came back. It also reads two things the program itself
// never asks (the type style and the kerning of the selection), in the
// layer's way: one member per query, the reply read with the layer's scanners.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "pmdde/PMDDE1.h"

class ProbeLink : public TPmDDE {
public:
    std::vector<std::string> sent;
    // The last reply as it came; nothing when the last query got none.
    std::optional<std::string> lastReply;

    // How long each command and each query took, in milliseconds (those
    // that failed too).
    std::vector<double> commandMs, queryMs;

    void ExecCommand(const std::string& command) override {
        sent.push_back(GetTryMode65() ? "try " + command : command);
        const Timer timer(commandMs);
        TPmDDE::ExecCommand(command);
    }

    void ExecQuery(const std::string& query, std::string& reply) override {
        sent.push_back(query);
        lastReply.reset();
        const Timer timer(queryMs);
        TPmDDE::ExecQuery(query, reply);
        lastReply = reply;
    }

    // Adds the milliseconds of its life to `times`.
    class Timer {
    public:
        explicit Timer(std::vector<double>& times) : times_(times), start_(std::chrono::steady_clock::now()) {}
        ~Timer() { times_.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count()); }
        Timer(const Timer&) = delete;
        Timer& operator=(const Timer&) = delete;

    private:
        std::vector<double>& times_;
        std::chrono::steady_clock::time_point start_;
    };

    // "GetTypeStyle": the styles the host can tell about for the whole
    // selection, and those applied (sums of 1 normal, 2 bold, 4 italic, ...).
    virtual void GetTypeStyle(int32_t& mask, int32_t& applied) { ReadFields(Ask("GetTypeStyle"), mask, applied); }

    // "GetKernText": the kerning of the selection.
    virtual float GetKernText() {
        float kern = 0;
        ReadFields(Ask("GetKernText"), kern);
        return kern;
    }
};
