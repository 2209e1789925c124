#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>

namespace varnholt::test {

// A second process that keeps adding messages to chat.db and notes to NoteStore.sqlite, one
// row per transaction in WAL mode, as Messages and Notes do while they run. Row i of each
// database is "live message i" in the chat "Live" and the note "Live note i".
class LiveWriter {
public:
    struct Figures {
        long long committed = 0;      // rows committed to each database
        long long failures = 0;       // inserts that did not commit
        double longestInsertMs = 0;   // while exports ran
        double longestBaselineMs = 0; // before the first export
    };

    // Starts the writer; returns once it has committed `warmUp` rows to each database.
    LiveWriter(const std::filesystem::path& chatDb, const std::filesystem::path& noteStore, long long warmUp);
    ~LiveWriter();
    LiveWriter(const LiveWriter&) = delete;
    LiveWriter& operator=(const LiveWriter&) = delete;

    // Rows committed to both databases by now.
    long long committed() const;
    // From now on, inserts count as made while exporting.
    void exportsStart();
    // Stops the writer and waits for it.
    Figures stop();

    static std::string messageText(long long i);
    static std::string noteTitle(long long i);

private:
    struct Shared {
        std::atomic<long long> committed{0};
        std::atomic<long long> failures{0};
        std::atomic<long long> longestNs{0};
        std::atomic<long long> longestBaselineNs{0};
        std::atomic<bool> exporting{false};
        std::atomic<bool> stop{false};
    };
    static void write(Shared& shared, const std::filesystem::path& chatDb, const std::filesystem::path& noteStore,
                      long long warmUp, int readyFd);

    Shared* m_shared = nullptr;
    int m_pid = -1;
};

} // namespace varnholt::test
