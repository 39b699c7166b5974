#include "platform/CJobObject_win.h"

#include "platform/CommandLine.h"

#include <QDir>
#include <QStandardPaths>
#include <memory>

namespace platform {
namespace {

// The environment block that CreateProcessW takes: NAME=value entries in UTF-16, each ended by a
// null, the whole ended by one more.
std::wstring EnvironmentBlock(const QByteArrayList& environment) {
    std::wstring block;
    for (const QByteArray& entry : environment) {
        block += QString::fromUtf8(entry).toStdWString();
        block += L'\0';
    }
    block += L'\0';
    return block;
}

// The program's full path: as given when it names a folder, otherwise the first match on the PATH,
// never the current folder, which could be anything.
QString ProgramPath(const QString& program) {
    if (program.contains(QLatin1Char('/')) || program.contains(QLatin1Char('\\')))
        return program;
    return QStandardPaths::findExecutable(program);
}

HANDLE KillOnCloseJob() {
    const HANDLE hJob = CreateJobObjectW(nullptr, nullptr);
    if (hJob == nullptr)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(hJob, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(hJob);
        return nullptr;
    }
    return hJob;
}

} // namespace

CJobObject::~CJobObject() {
    if (m_hProcess != nullptr)
        CloseHandle(m_hProcess);
    // KILL_ON_JOB_CLOSE: whatever still runs in the job ends with this handle.
    if (m_hJob != nullptr)
        CloseHandle(m_hJob);
}

std::wstring CJobObject::CommandLineFor(const QStringList& arguments) {
    QStringList quoted;
    // Quoted only where needed, as Windows programs write command lines: some programs (cmd.exe) read
    // a quoted switch as a word. Without blanks or quotes an argument splits back unchanged anyway.
    for (const QString& argument : arguments) {
        const bool bPlain = !argument.isEmpty() && !argument.contains(QLatin1Char(' ')) &&
                            !argument.contains(QLatin1Char('\t')) && !argument.contains(QLatin1Char('"'));
        quoted.append(bPlain ? argument : QuoteArgument(argument));
    }
    return quoted.join(QLatin1Char(' ')).toStdWString();
}

bool CJobObject::Start(const QStringList& arguments, const QByteArrayList& environment, HANDLE hInput,
                       HANDLE hOutput, DWORD dwCreationFlags, WORD wShowWindow) {
    if (m_hJob != nullptr || arguments.isEmpty() || arguments.join(QString()).contains(QChar(0))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const QString program = ProgramPath(arguments.first());
    if (program.isEmpty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    m_hJob = KillOnCloseJob();
    if (m_hJob == nullptr)
        return false;

    // Only these two handles are inherited, however many inheritable ones this process holds.
    HANDLE inherited[] = {hInput, hOutput};
    SIZE_T attributeSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &attributeSize);
    auto attributeBuffer = std::make_unique<char[]>(attributeSize);
    auto* pAttributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeBuffer.get());
    if (!InitializeProcThreadAttributeList(pAttributes, 1, 0, &attributeSize))
        return false;
    const bool bListed = UpdateProcThreadAttribute(pAttributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                                   inherited, sizeof inherited, nullptr, nullptr);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = wShowWindow;
    startup.StartupInfo.hStdInput = hInput;
    startup.StartupInfo.hStdOutput = hOutput;
    startup.StartupInfo.hStdError = hOutput;
    startup.lpAttributeList = pAttributes;
    std::wstring applicationName = QDir::toNativeSeparators(program).toStdWString();
    std::wstring commandLine = CommandLineFor(arguments);
    std::wstring environmentBlock = EnvironmentBlock(environment);
    PROCESS_INFORMATION process{};
    // Suspended until it is in the job, so that nothing it starts can escape the job.
    const bool bStarted =
        bListed && CreateProcessW(applicationName.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                  dwCreationFlags | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT |
                                      EXTENDED_STARTUPINFO_PRESENT,
                                  environmentBlock.data(), nullptr, &startup.StartupInfo, &process);
    const DWORD dwError = GetLastError();
    DeleteProcThreadAttributeList(pAttributes);
    if (!bStarted) {
        SetLastError(dwError);
        return false;
    }
    if (!AssignProcessToJobObject(m_hJob, process.hProcess)) {
        const DWORD dwAssignError = GetLastError();
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        SetLastError(dwAssignError);
        return false;
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    m_hProcess = process.hProcess;
    m_dwProcessId = process.dwProcessId;
    return true;
}

HANDLE OpenEmptyInput() {
    HANDLE hReadEnd = nullptr;
    HANDLE hWriteEnd = nullptr;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    if (!CreatePipe(&hReadEnd, &hWriteEnd, &inheritable, 0))
        return INVALID_HANDLE_VALUE;
    CloseHandle(hWriteEnd);
    return hReadEnd;
}

void CJobObject::Terminate() {
    if (m_hJob != nullptr)
        TerminateJobObject(m_hJob, 1);
}

} // namespace platform
