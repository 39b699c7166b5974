#include "platform/StandardStreams.h"

#include <QFile>
#include <QStringDecoder>
#include <io.h>
#include <windows.h>

namespace platform {
namespace {

// A console: the console reads the bytes that WriteFile gives it in its own code page (850 or 437
// in the West), which turns UTF-8's "É" into "Ã‰". WriteConsoleW takes the text itself.
class CConsoleDevice final : public QIODevice {
public:
    CConsoleDevice(std::FILE* stream, HANDLE hConsole) : m_pStream(stream), m_hConsole(hConsole) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char* /*data*/, qint64 /*maxSize*/) override { return -1; }

    qint64 writeData(const char* data, qint64 size) override {
        // What the C runtime still holds for the same console goes out first.
        std::fflush(m_pStream);
        // Stateful: a character that a write cuts in two is completed by the next one.
        const QString text = m_Decoder.decode(QByteArrayView(data, size));
        qsizetype done = 0;
        while (done < text.size()) {
            DWORD dwWritten = 0;
            const DWORD dwChunk = static_cast<DWORD>(std::min<qsizetype>(text.size() - done, 16384));
            if (!WriteConsoleW(m_hConsole, text.utf16() + done, dwChunk, &dwWritten, nullptr) ||
                dwWritten == 0) {
                setErrorString(
                    QStringLiteral("the console takes no more text (error %1)").arg(GetLastError()));
                return -1;
            }
            done += dwWritten;
        }
        return size;
    }

private:
    std::FILE* m_pStream;
    HANDLE m_hConsole;
    QStringDecoder m_Decoder{QStringDecoder::Utf8};
};

} // namespace

std::unique_ptr<QIODevice> OpenStandardStream(std::FILE* stream) {
    const auto hStream = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD dwMode = 0;
    if (hStream != INVALID_HANDLE_VALUE && GetConsoleMode(hStream, &dwMode))
        return std::make_unique<CConsoleDevice>(stream, hStream);
    auto file = std::make_unique<QFile>();
    file->open(stream, QIODevice::WriteOnly);
    return file;
}

} // namespace platform
