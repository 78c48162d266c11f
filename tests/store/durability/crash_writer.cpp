// Saves the same diary over and over until it is killed: the memo of one entry flips between
// two known texts, and dated entries are added one at a time up to a limit, after which one of
// them is erased and written again on each turn. Each turn also saves a whole entry of six fields
// as one batch.
#include "CrashDiary.h"
#include "store/IniFile.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: crash_writer <diary file>\n");
        return 2;
    }
    using namespace CrashDiary;
    TIniFile ini(QString::fromLocal8Bit(argv[1]));

    int dated = 0;
    while (dated < kMaxDatedEntries && ini.SectionExists(datedEntry(dated)))
        ++dated;

    std::puts("ready");
    std::fflush(stdout);
    try {
        for (unsigned turn = 0;; ++turn) {
            ini.WriteString(kEntry, kMemo, turn % 2 ? kOldMemo : kNewMemo);
            if (dated < kMaxDatedEntries) {
                ini.WriteString(datedEntry(dated), kMemo, datedMemo(dated));
                ++dated;
            } else {
                const int n = int(turn % kMaxDatedEntries);
                ini.EraseSection(datedEntry(n));
                ini.WriteString(datedEntry(n), kMemo, datedMemo(n));
            }
            TIniFile::Batch entry(ini);
            for (int field = 0; field < kWholeEntryKeys.size(); ++field)
                ini.WriteString(kWholeEntry, kWholeEntryKeys[field], wholeEntryField(turn, field));
            entry.Commit();
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "crash_writer: %s\n", e.what());
        return 1;
    }
}
