#pragma once

#include "sample-home/SampleHome.h"

#include <cstddef>

namespace varnholt::sample {

std::filesystem::path messagesDatabasePath(const std::filesystem::path& home);

// How much the generated part of a large Messages database holds.
struct MessagesVolume {
    size_t conversations = 5000;
    size_t messages = 1'000'000;
    double bodyOnlyShare = 0.10;   // messages whose text is only in attributedBody
    double attachmentShare = 0.03; // messages with one attachment file
    double reactionShare = 0.05;   // messages followed by a reaction to them (a row of its own)
    double editShare = 0.01;       // messages edited once, their versions in message_summary_info
};

// Library/Messages/chat.db with the macOS schema, and its attachment files. The small
// scale holds hand-made conversations covering every rule of the exporter (names,
// NULLs, typedstream-only text in many scripts, attachments present, missing, clashing,
// stickers and plug-in payloads, seconds-based dates), with its last conversation only
// in the write-ahead log. The large scale adds `volume` generated messages.
void buildMessages(const std::filesystem::path& home, const SampleOptions& options, const MessagesVolume& volume = {});

} // namespace varnholt::sample
