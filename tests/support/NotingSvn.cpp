// Stands in for svn (or for the update tool): notes its target, the last argument without the peg
// '@' Corvane ends it with, as a line of $CORVANE_TEST_SVN_LOG, and prints nothing, which reads as a
// failed run. With $CORVANE_TEST_SVN_GATE named, it waits for that file before it ends. With
// $CORVANE_TEST_SVN_URL named, a folder is a working copy of that repository, or of a file:// one
// when its name ends in "local"; a URL gets no answer.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    std::string target = argc > 1 ? argv[argc - 1] : "";
    if (EndsWith(target, "@"))
        target.pop_back();
    if (const std::string log = Variable("CORVANE_TEST_SVN_LOG"); !log.empty())
        std::ofstream(log, std::ios::app | std::ios::binary) << target << '\n';
    if (const std::string gate = Variable("CORVANE_TEST_SVN_GATE"); !gate.empty()) {
        while (!std::filesystem::exists(gate))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (target.find("://") != std::string::npos)
        return 0;
    const std::string url = EndsWith(target, "local") ? "file:///srv/repo" : Variable("CORVANE_TEST_SVN_URL");
    if (!url.empty())
        std::printf(
            "<?xml version=\"1.0\"?><info><entry kind=\"dir\" path=\"%s\" revision=\"1\"><url>%s</url>"
            "<repository><root>%s</root></repository><commit revision=\"1\"><author>ann</author>"
            "</commit></entry></info>\n",
            target.c_str(), url.c_str(), url.c_str());
    return 0;
}
