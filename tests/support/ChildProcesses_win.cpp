#include "support/ChildProcesses.h"

#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <memory>
// The other Windows headers need windows.h before them.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>
// clang-format on

namespace {

// ProcessCommandLineInformation: the command line of another process, as a UNICODE_STRING.
constexpr auto kCommandLineInformation = static_cast<PROCESSINFOCLASS>(60);

// The processes there are, each with its parent's id.
QList<PROCESSENTRY32W> Processes() {
    QList<PROCESSENTRY32W> processes;
    const HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (bool bMore = Process32FirstW(hSnapshot, &entry); bMore; bMore = Process32NextW(hSnapshot, &entry))
        processes.append(entry);
    CloseHandle(hSnapshot);
    return processes;
}

QString CommandLineOf(qint64 pid) {
    const HANDLE hProcess = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (hProcess == nullptr)
        return {};
    ULONG size = 0;
    NtQueryInformationProcess(hProcess, kCommandLineInformation, nullptr, 0, &size);
    QString commandLine;
    if (size > 0) {
        auto buffer = std::make_unique<char[]>(size);
        if (NT_SUCCESS(
                NtQueryInformationProcess(hProcess, kCommandLineInformation, buffer.get(), size, &size))) {
            const auto* pText = reinterpret_cast<UNICODE_STRING*>(buffer.get());
            commandLine = QString::fromWCharArray(pText->Buffer, pText->Length / sizeof(wchar_t));
        }
    }
    CloseHandle(hProcess);
    return commandLine;
}

} // namespace

QList<qint64> ChildProcessIds() {
    const qint64 self = QCoreApplication::applicationPid();
    QList<qint64> children;
    for (const PROCESSENTRY32W& entry : Processes()) {
        if (entry.th32ParentProcessID == self && IsProcessRunning(entry.th32ProcessID))
            children.append(entry.th32ProcessID);
    }
    std::sort(children.begin(), children.end());
    return children;
}

QList<qint64> ProcessesWhoseCommandLineHolds(const QString& text) {
    QList<qint64> found;
    for (const PROCESSENTRY32W& entry : Processes()) {
        if (IsProcessRunning(entry.th32ProcessID) && CommandLineOf(entry.th32ProcessID).contains(text))
            found.append(entry.th32ProcessID);
    }
    return found;
}

bool IsProcessRunning(qint64 pid) {
    const HANDLE hProcess = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (hProcess == nullptr)
        return false;
    const bool bRunning = WaitForSingleObject(hProcess, 0) == WAIT_TIMEOUT;
    CloseHandle(hProcess);
    return bRunning;
}
