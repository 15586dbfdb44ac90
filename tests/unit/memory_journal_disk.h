// Journals kept in memory, with picture files whose stamps the test sets, a clock it moves,
// and a record of every journal written, for the tests of the pass recorder.
#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "upload/journal_disk.h"

class CMemoryJournalDisk : public CJournalDisk {
public:
    std::optional<std::string> Read(const std::string& strName, std::size_t nMaxBytes) override {
        const auto it = files.find(strName);
        if (it == files.end() || it->second.size() > nMaxBytes) return std::nullopt;
        return it->second;
    }
    bool Replace(const std::string& strName, const std::string& strBytes) override {
        files[strName] = strBytes;
        writes.push_back(strBytes);
        return true;
    }
    void Remove(const std::string& strName) override { files.erase(strName); }
    std::vector<std::string> List() override {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : files) names.push_back(name);
        return names;
    }
    std::unique_ptr<CPassClaim> Claim(const std::string& strName) override {
        if (claimed.count(strName)) return nullptr;
        return std::make_unique<CHeldClaim>(claimed, strName);
    }
    std::optional<FileStamp> StampOf(const std::string& strPath) override {
        const auto it = pictures.find(strPath);
        if (it == pictures.end()) return std::nullopt;
        return it->second;
    }
    std::int64_t Now() override { return nNow; }

    std::map<std::string, std::string> files;
    std::vector<std::string> writes;
    std::map<std::string, FileStamp> pictures;
    std::set<std::string> claimed;
    std::int64_t nNow = 1'765'000'000;

private:
    class CHeldClaim : public CPassClaim {
    public:
        CHeldClaim(std::set<std::string>& claimed, std::string strName)
            : m_claimed(claimed), m_strName(std::move(strName)) {
            m_claimed.insert(m_strName);
        }
        ~CHeldClaim() override { m_claimed.erase(m_strName); }

    private:
        std::set<std::string>& m_claimed;
        std::string m_strName;
    };
};
