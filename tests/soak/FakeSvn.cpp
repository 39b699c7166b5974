// Stands in for svn during the soak and for the check job's tests: `svn info --xml -- TARGET@`
// answers as the test has planned for the target's folder, in $CORVANE_SOAK_PLANS/<folder name>:
//     <outcome> <local revision> <remote revision> <author> <delay in ms>
// with the outcome one of uptodate, modified, notwc, badlocal, network, hanglocal, hangremote, hold,
// warned (svn's locale warnings before the document) or endless (a document whose author never
// ends). A revision or author "-" is empty; an author "<c>*<n>" is n times the character c.
// A folder path is the local query; svn://soak/<folder name> the remote one, below the repository
// root svn://soak. Each run is noted in
// $CORVANE_SOAK_LOG as "L <name>" or "R <name>" (the log, too, asks the URL), or "S <name>" for
// `status`. `status` and `log` print the file <name>.status or <name>.log beside the plan when there is
// one; otherwise status finds the folder itself out of date when the two revisions differ, and
// nothing when they are equal, and log gets the info answer, which does not read as a log. A hang
// never ends by itself; "hold" answers as uptodate once the file <name>.release appears beside the
// plan.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>

namespace {

constexpr char kRoot[] = "svn://soak";
constexpr char kUrlPrefix[] = "svn://soak/";
constexpr auto kPollInterval = std::chrono::milliseconds(2);

struct Plan {
    std::string outcome = "badlocal";
    std::string localRevision;
    std::string remoteRevision;
    std::string author;
    int delayMs = 0;
};

std::string Expand(const std::string& field) {
    if (field == "-")
        return {};
    const std::size_t star = field.find('*');
    if (star != 1)
        return field;
    return std::string(std::stoul(field.substr(star + 1)), field[0]);
}

Plan ReadPlan(const std::filesystem::path& file) {
    Plan plan;
    std::ifstream in(file);
    in >> plan.outcome >> plan.localRevision >> plan.remoteRevision >> plan.author >> plan.delayMs;
    plan.localRevision = Expand(plan.localRevision);
    plan.remoteRevision = Expand(plan.remoteRevision);
    plan.author = Expand(plan.author);
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
              << "</url>\n<repository>\n<root>" << kRoot << "</root>\n</repository>\n";
    if (local)
        std::cout << "<wc-info>\n<schedule>normal</schedule>\n</wc-info>\n";
    std::cout << "<commit\n   revision=\"" << revision << "\">\n<author>" << author
              << "</author>\n<date>2026-01-01T00:00:00.000000Z</date>\n</commit>\n</entry>\n</info>\n";
}

// A document whose author goes on until the reader stops listening.
void PrintEndlessDocument() {
    std::cout << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<info>\n<entry path=\"x\">\n<commit "
                 "revision=\"1\">\n<author>";
    const std::string chunk(65536, 'a');
    while (std::cout.write(chunk.data(), static_cast<std::streamsize>(chunk.size())))
        ;
}

// What svn prints when a run fails: the document's start, then the error, and no end.
void PrintFailure(const std::string& error) {
    std::cout << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<info>\n";
    std::cerr << error << "\n";
}

// Prints the file's contents; false when there is no such file.
bool PrintFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::cout << in.rdbuf();
    return true;
}

// What `svn status -u --xml` prints: the folder itself out of date, or nothing.
void PrintStatus(const std::string& target, const Plan& plan) {
    std::cout << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<status>\n<target\n   path=\"" << target
              << "\">\n";
    if (plan.localRevision != plan.remoteRevision)
        std::cout << "<entry\n   path=\"" << target << "\">\n<wc-status\n   item=\"normal\"\n   revision=\""
                  << plan.localRevision << "\"\n   props=\"none\">\n</wc-status>\n<repos-status\n"
                  << "   item=\"modified\"\n   props=\"none\">\n</repos-status>\n</entry>\n";
    std::cout << "<against\n   revision=\"" << plan.remoteRevision << "\"/>\n</target>\n</status>\n";
}

} // namespace

int main(int argc, char* argv[]) {
    const char* plans = std::getenv("CORVANE_SOAK_PLANS");
    const char* log = std::getenv("CORVANE_SOAK_LOG");
    if (argc < 2 || !plans || !log)
        return 2;
    // Corvane ends every target with '@', so that svn reads no '@' in it as a peg revision.
    std::string target = argv[argc - 1];
    if (!target.empty() && target.back() == '@')
        target.pop_back();
    const bool local = target.rfind(kUrlPrefix, 0) != 0;
    const std::string name =
        std::filesystem::path(local ? target : target.substr(sizeof kUrlPrefix - 1)).filename().string();
    const bool status = std::string_view(argv[1]) == "status";
    std::ofstream(log, std::ios::app) << (status ? "S " : local ? "L " : "R ") << name << "\n";

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
    if (plan.outcome == "endless") {
        PrintEndlessDocument();
        return 1;
    }
    const std::string command = argv[1];
    if (command == "status" || command == "log") {
        std::filesystem::path answer = planFile;
        answer += "." + command;
        if (PrintFile(answer))
            return 0;
        if (status) {
            PrintStatus(target, plan);
            return 0;
        }
    }
    if (plan.outcome == "warned")
        std::cerr << "svn: warning: cannot set LC_CTYPE locale\n"
                     "svn: warning: environment variable LANG is xx_YY.UTF-8\n"
                     "svn: warning: please check that your locale name is correct\n";
    PrintDocument(name, local ? plan.localRevision : plan.remoteRevision, plan.author, local);
    return 0;
}
