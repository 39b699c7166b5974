// A small program that the command-runner tests start as a child, to see from the inside what
// a child gets and to write output in known ways. The first argument chooses what it does.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// Each argument after the mode, followed by a NUL byte.
void EchoArguments(int argc, char* argv[]) {
    for (int index = 2; index < argc; ++index)
        std::fwrite(argv[index], 1, std::strlen(argv[index]) + 1, stdout);
}

// Lines written alternately to standard output and standard error.
void Interleave(int count) {
    for (int index = 0; index < count; ++index) {
        std::fprintf(stdout, "out %d\n", index);
        std::fflush(stdout);
        std::fprintf(stderr, "err %d\n", index);
        std::fflush(stderr);
    }
}

// count bytes, the n-th being n modulo 256.
void WriteBytes(long count) {
    std::vector<char> bytes(static_cast<std::size_t>(count));
    for (long index = 0; index < count; ++index)
        bytes[static_cast<std::size_t>(index)] = static_cast<char>(index % 256);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// One line "fd <n> <target>" per open descriptor, then whether this process leads its session.
void DescribeDescriptors() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        names.push_back(entry.path().filename().string());
    // The listing's own descriptor is closed now, so it no longer shows.
    for (const std::string& name : names) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink("/proc/self/fd/" + name, error);
        if (!error)
            std::printf("fd %s %s\n", name.c_str(), target.c_str());
    }
    std::ifstream statFile("/proc/self/stat");
    std::string line;
    std::getline(statFile, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string state, parent, group, session;
    fields >> state >> parent >> group >> session;
    std::printf("session-leader %s\n", session == line.substr(0, line.find(' ')) ? "yes" : "no");
}

// Prints a line, starts a grandchild that sleeps (its id on the next line) and never ends.
void Hang() {
    std::printf("partial\n");
    std::fflush(stdout);
    if (std::system("sleep 1000 & echo $!") != 0)
        return;
    std::this_thread::sleep_for(std::chrono::hours(1));
}

// Closes its output and goes on living for a minute.
void Linger() {
    std::printf("bye\n");
    std::fclose(stdout);
    std::fclose(stderr);
    std::this_thread::sleep_for(std::chrono::minutes(1));
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const long count = argc > 2 ? std::atol(argv[2]) : 0;
    if (mode == "args")
        EchoArguments(argc, argv);
    else if (mode == "interleave")
        Interleave(static_cast<int>(count));
    else if (mode == "bytes")
        WriteBytes(count);
    else if (mode == "descriptors")
        DescribeDescriptors();
    else if (mode == "hang")
        Hang();
    else if (mode == "linger")
        Linger();
    else if (mode != "silent")
        return 2;
    return 0;
}
