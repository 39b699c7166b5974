#include "cli/CTwoWorkingCopies.h"

#include "support/CSvnSandbox.h"

bool CTwoWorkingCopies::Make(CSvnSandbox& sandbox) {
    if (!sandbox.CreateRepository())
        return false;
    m_strBehind = sandbox.Checkout(QStringLiteral("behind"));
    if (m_strBehind.isEmpty() ||
        sandbox.Commit(m_strBehind, QStringLiteral("alice"), QStringLiteral("readme.txt"), "one\n") != 1 ||
        !sandbox.Update(m_strBehind))
        return false;
    m_strCurrent = sandbox.Checkout(QStringLiteral("current"));
    return !m_strCurrent.isEmpty() &&
           sandbox.Commit(m_strCurrent, QStringLiteral("carol"), QStringLiteral("readme.txt"), "two\n") ==
               2 &&
           sandbox.Update(m_strCurrent);
}
