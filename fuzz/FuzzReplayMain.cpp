// A main for a fuzz target built without libFuzzer: feeds it every file named on the command line, or
// found in a folder named there, once. The tests replay the seed corpora and every input that once
// broke a target this way, in every build, sanitizers included.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Replay(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(fileName));
        return false;
    }
    const QByteArray input = file.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.constData()),
                           static_cast<std::size_t>(input.size()));
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    int replayed = 0;
    bool readable = true;
    for (int index = 1; index < argc; ++index) {
        const QString name = QFile::decodeName(argv[index]);
        if (!QFileInfo(name).isDir()) {
            readable = Replay(name) && readable;
            ++replayed;
            continue;
        }
        QDirIterator files(name, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            readable = Replay(files.next()) && readable;
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return readable && replayed > 0 ? 0 : 1;
}
