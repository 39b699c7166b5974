// Stands in for svn during the soak: `svn info --xml TARGET` answers as the test has planned for the
// target's folder, in $CORVANE_SOAK_PLANS/<folder name>:
//     <outcome> <local revision> <remote revision> <author> <delay in ms>
// with the outcome one of uptodate, modified, notwc, badlocal, network, hanglocal, hangremote, hold.
// A folder path is the local query; svn://soak/<folder name> the remote one. Each run is noted in
// $CORVANE_SOAK_LOG as "L <name>" or "R <name>". A hang never ends by itself; "hold" answers as
// uptodate once the file <name>.release appears beside the plan.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

namespace {

constexpr char kUrlPrefix[] = "svn://soak/";
constexpr auto kPollInterval = std::chrono::milliseconds(2);

struct Plan {
    std::string outcome = "badlocal";
    std::string localRevision;
    std::string remoteRevision;
    std::string author;
    int delayMs = 0;
};

Plan ReadPlan(const std::filesystem::path& file) {
    Plan plan;
    std::ifstream in(file);
    in >> plan.outcome >> plan.localRevision >> plan.remoteRevision >> plan.author >> plan.delayMs;
    return plan;
}

[[noreturn]] void Hang() {
    while (true)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

void PrintDocument(const std::string& name, const std::string& revision, const std::string& author,
                   bool local) {
    std::cout << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<info>\n<entry\n   path=\"" << name
              << "\"\n   revision=\"" << revision << "\"\n   kind=\"dir\">\n<url>" << kUrlPrefix << name
              << "</url>\n";
    if (local)
        std::cout << "<wc-info>\n<schedule>normal</schedule>\n</wc-info>\n";
    std::cout << "<commit\n   revision=\"" << revision << "\">\n<author>" << author
              << "</author>\n<date>2026-01-01T00:00:00.000000Z</date>\n</commit>\n</entry>\n</info>\n";
}

// What svn prints when a run fails: the document's start, then the error, and no end.
void PrintFailure(const std::string& error) {
    std::cout << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<info>\n";
    std::cerr << error << "\n";
}

} // namespace

int main(int argc, char* argv[]) {
    const char* plans = std::getenv("CORVANE_SOAK_PLANS");
    const char* log = std::getenv("CORVANE_SOAK_LOG");
    if (argc < 2 || !plans || !log)
        return 2;
    const std::string target = argv[argc - 1];
    const bool local = target.rfind(kUrlPrefix, 0) != 0;
    const std::string name =
        std::filesystem::path(local ? target : target.substr(sizeof kUrlPrefix - 1)).filename().string();
    std::ofstream(log, std::ios::app) << (local ? "L " : "R ") << name << "\n";

    const std::filesystem::path planFile = std::filesystem::path(plans) / name;
    Plan plan = ReadPlan(planFile);
    std::this_thread::sleep_for(std::chrono::milliseconds(plan.delayMs));
    if (plan.outcome == "hold" && local) {
        std::filesystem::path release = planFile;
        release += ".release";
        while (!std::filesystem::exists(release))
            std::this_thread::sleep_for(kPollInterval);
        plan.outcome = "uptodate";
    }
    if ((plan.outcome == "hanglocal" && local) || (plan.outcome == "hangremote" && !local))
        Hang();
    if (local && plan.outcome == "notwc") {
        std::cerr << "svn: E155007: '" << target << "' n'est pas une copie de travail\n";
        return 1;
    }
    if (local && plan.outcome == "badlocal") {
        PrintFailure("svn: E155037: Previous operation has not finished");
        return 1;
    }
    if (!local && plan.outcome == "network") {
        PrintFailure("svn: E170013: Unable to connect to a repository at URL '" + target + "'");
        return 1;
    }
    PrintDocument(name, local ? plan.localRevision : plan.remoteRevision, plan.author, local);
    return 0;
}
