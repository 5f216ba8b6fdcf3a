// The cost of one answer on the terminal: CPU time (user + system) and peak resident memory of each run of a program,
// as the kernel accounts them, and their medians over N runs. Given two programs, runs them in turn, so that both meet
// the same load, and prints the second's figures against the first's.
//
// Usage: clibench N PROGRAM [BASELINE] [-- ARGUMENTS...]   (default arguments: one Baud Mode)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Run {
    double cpuMs;
    double maxRssMb;
};

Run runOnce(const std::string &program, const std::vector<std::string> &arguments)
{
    std::vector<char *> argv{ const_cast<char *>(program.c_str()) };
    for (const auto &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 127) {
        std::fprintf(stderr, "clibench: %s did not run\n", program.c_str());
        std::exit(EXIT_FAILURE);
    }
    const auto ms = [](const timeval &time) { return double(time.tv_sec) * 1e3 + double(time.tv_usec) / 1e3; };
    return { ms(usage.ru_utime) + ms(usage.ru_stime), double(usage.ru_maxrss) / 1024 };
}

double median(std::vector<double> values)
{
    std::ranges::sort(values);
    const auto middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    std::vector<std::string> programs, arguments;
    int i = 2;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        programs.emplace_back(argv[i]);
    for (++i; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 0;
    if (runs < 1 || programs.empty() || programs.size() > 2) {
        std::fprintf(stderr, "Usage: clibench N PROGRAM [BASELINE] [-- ARGUMENTS...]\n");
        return 2;
    }
    if (arguments.empty())
        arguments = { "--module", "BS2", "--baud", "9600", "--parity", "8N", "--polarity", "inverted" };

    std::vector<std::vector<double>> cpu(programs.size()), rss(programs.size());
    for (int run = 0; run < runs; ++run)
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const auto [cpuMs, maxRssMb] = runOnce(programs[p], arguments);
            cpu[p].push_back(cpuMs);
            rss[p].push_back(maxRssMb);
        }

    std::string joined;
    for (const auto &argument : arguments)
        joined += " " + argument;
    std::printf("one answer (%s), median of %d runs:\n", joined.c_str() + 1, runs);
    for (std::size_t p = 0; p < programs.size(); ++p)
        std::printf("  %-40s CPU %6.2f ms   max RSS %6.2f MB\n", programs[p].c_str(), median(cpu[p]), median(rss[p]));
    if (programs.size() == 2)
        std::printf("  CPU time: %.3f of the baseline's; max RSS: %.3f of it\n", median(cpu[0]) / median(cpu[1]),
                    median(rss[0]) / median(rss[1]));
    return 0;
}
