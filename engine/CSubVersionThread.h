#pragma once

#include "engine/WorkItemBase.h"

#include <QString>
#include <cstdint>

class CCheckHost;

// One check of one watched folder: asks Subversion about the working copy and about the repository
// it comes from, compares their last-commit revisions and stores the outcome in the folder's record.
// A working copy that is behind (or ahead) is announced to the user through the host.
class CSubVersionThread final : public WorkItemBase {
public:
    // A check of path for the host. generation is the watch list's generation when the check is
    // made: a result for records that have been remade since is dropped.
    CSubVersionThread(CCheckHost* pFrame, QString path, std::uint64_t generation);

    // Carries out the check on the worker thread; the per-thread value is not used.
    void Run(void* pThreadValue) override;
    // Tells the host that the check is over and releases the job, whether it has run or not.
    void Discard() override;

private:
    // The folder's own name as the file system spells it, or the whole path when it cannot be found.
    QString DisplayName() const;
    void StoreResult(int state, const QString& author) const;

    CCheckHost* const m_pFrame;
    const QString m_strPath;
    const std::uint64_t m_nGeneration;
};
