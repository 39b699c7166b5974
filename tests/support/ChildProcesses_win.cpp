#include "support/ChildProcesses.h"

#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <string>
// The other Windows headers need windows.h before them.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>
// clang-format on

namespace {

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

// Read from the process's own memory, through its environment block: the way that Wine supports too.
QString CommandLineOf(qint64 pid) {
    const HANDLE hProcess =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, static_cast<DWORD>(pid));
    if (hProcess == nullptr)
        return {};
    QString commandLine;
    PROCESS_BASIC_INFORMATION basic{};
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (NT_SUCCESS(
            NtQueryInformationProcess(hProcess, ProcessBasicInformation, &basic, sizeof basic, nullptr)) &&
        ReadProcessMemory(hProcess, basic.PebBaseAddress, &peb, sizeof peb, nullptr) &&
        ReadProcessMemory(hProcess, peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
        std::wstring text(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
        if (ReadProcessMemory(hProcess, parameters.CommandLine.Buffer, text.data(),
                              parameters.CommandLine.Length, nullptr))
            commandLine = QString::fromStdWString(text);
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
