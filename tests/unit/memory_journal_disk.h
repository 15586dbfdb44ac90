// Journals kept in memory, with picture files whose stamps the test sets, a clock it moves,
// and a record of every journal written and of the thread that wrote it, for the tests of
// the pass recorder and its writer. The writer calls it from its own thread: the test reads
// the fields once the writer is idle, or holds the writes back and lets them go one by one.
#pragma once
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "upload/journal_disk.h"

class CMemoryJournalDisk : public CJournalDisk {
public:
    std::optional<std::string> Read(const std::string& strName, std::size_t nMaxBytes) override {
        const std::lock_guard lock(m_lock);
        const auto it = files.find(strName);
        if (it == files.end() || it->second.size() > nMaxBytes) return std::nullopt;
        return it->second;
    }
    bool Replace(const std::string& strName, const std::string& strBytes) override {
        std::unique_lock lock(m_lock);
        AwaitTurn(lock);
        ++nReplaced;
        return Store(strName, strBytes);
    }
    bool Patch(const std::string& strName, std::size_t nLength, const std::vector<JournalPiece>& pieces) override {
        std::unique_lock lock(m_lock);
        AwaitTurn(lock);
        const auto it = files.find(strName);
        if (it == files.end() || it->second.size() != nLength) return false;
        std::string bytes = it->second;
        for (const JournalPiece& piece : pieces) {
            if (piece.nOffset + piece.strBytes.size() > nLength) return false;
            bytes.replace(piece.nOffset, piece.strBytes.size(), piece.strBytes);
        }
        return Store(strName, bytes);
    }
    void Remove(const std::string& strName) override {
        const std::lock_guard lock(m_lock);
        files.erase(strName);
    }
    std::vector<std::string> List() override {
        const std::lock_guard lock(m_lock);
        std::vector<std::string> names;
        for (const auto& [name, bytes] : files) names.push_back(name);
        return names;
    }
    std::unique_ptr<CPassClaim> Claim(const std::string& strName) override {
        const std::lock_guard lock(m_lock);
        if (claimed.count(strName)) return nullptr;
        return std::make_unique<CHeldClaim>(*this, strName);
    }
    std::optional<FileStamp> StampOf(const std::string& strPath) override {
        const std::lock_guard lock(m_lock);
        const auto it = pictures.find(strPath);
        if (it == pictures.end()) return std::nullopt;
        return it->second;
    }
    std::int64_t Now() override { return nNow; }

    // Writes wait (five seconds at most) until they are let go, n of them or all.
    void Hold() {
        const std::lock_guard lock(m_lock);
        m_bHeld = true;
        m_nPermits = 0;
    }
    void Let(int n) {
        const std::lock_guard lock(m_lock);
        m_nPermits += n;
        m_cvChange.notify_all();
    }
    void Release() {
        const std::lock_guard lock(m_lock);
        m_bHeld = false;
        m_cvChange.notify_all();
    }
    // Waits until the n-th write (whole or in place) has begun (it may be held).
    bool AwaitWrite(int n) {
        std::unique_lock lock(m_lock);
        return m_cvChange.wait_for(lock, std::chrono::seconds(5), [&] { return m_nEntered >= n; });
    }

    std::map<std::string, std::string> files;
    // Every version written, whole or in place; how many were written whole.
    std::vector<std::string> writes;
    int nReplaced = 0;
    std::set<std::thread::id> writers;
    std::map<std::string, FileStamp> pictures;
    std::set<std::string> claimed;
    std::int64_t nNow = 1'765'000'000;
    // False: a write is reported failed (what it wrote stays, as a half-written file would).
    bool bCanWrite = true;

private:
    class CHeldClaim : public CPassClaim {
    public:
        CHeldClaim(CMemoryJournalDisk& disk, std::string strName) : m_disk(disk), m_strName(std::move(strName)) {
            m_disk.claimed.insert(m_strName);
        }
        ~CHeldClaim() override {
            const std::lock_guard lock(m_disk.m_lock);
            m_disk.claimed.erase(m_strName);
        }

    private:
        CMemoryJournalDisk& m_disk;
        std::string m_strName;
    };

    // Writes wait while held, until let go.
    void AwaitTurn(std::unique_lock<std::mutex>& lock) {
        ++m_nEntered;
        m_cvChange.notify_all();
        // Bounded: a writer on the test's own thread must not hang the test.
        m_cvChange.wait_for(lock, std::chrono::seconds(5), [this] { return !m_bHeld || m_nPermits > 0; });
        if (m_bHeld && m_nPermits > 0) --m_nPermits;
    }
    bool Store(const std::string& strName, const std::string& strBytes) {
        files[strName] = strBytes;
        writes.push_back(strBytes);
        writers.insert(std::this_thread::get_id());
        return bCanWrite;
    }

    std::mutex m_lock;
    std::condition_variable m_cvChange;  // a write begun, or let go
    bool m_bHeld = false;
    int m_nPermits = 0;
    int m_nEntered = 0;
};
