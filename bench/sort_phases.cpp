// Times the phases of a sort run on a route file, as the engine's own calls
// make them up: reading (open and map), keying (with the plan of stretches),
// sorting and writing (which overlap in a run, so sorting is also timed on
// its own), and the final flush with the rename. Prints the medians in ms.
#include "sorting/record_sorter.h"
#include "sorting/route_file.h"
#include "sorting/sorted_output.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point &mark)
{
    const Clock::time_point now = Clock::now();
    const double elapsed = std::chrono::duration<double, std::milli>(now - mark).count();
    mark = now;
    return elapsed;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Phases
{
    std::vector<double> read, key, sortAlone, sortAndWrite, flush, total;
};

bool timeOneRun(const std::filesystem::path &input, const std::filesystem::path &output, Phases &phases)
{
    Clock::time_point mark = Clock::now();
    const Clock::time_point start = mark;
    const ostrel::RouteFileRead route = ostrel::readRouteFile(input, ostrel::systemReading());
    if (route.failure) {
        std::fprintf(stderr, "%s\n", route.failure->message.c_str());
        return false;
    }
    phases.read.push_back(millisecondsSince(mark));
    ostrel::RecordSorter sorter(route.file.records(), route.file.parts(), route.file.reading());
    if (sorter.refusal()) {
        std::fprintf(stderr, "%s\n", sorter.refusal()->c_str());
        return false;
    }
    phases.key.push_back(millisecondsSince(mark));
    const std::string_view leadingBytes = route.file.byteOrderMark();
    ostrel::CreatedOutput created =
        ostrel::OutputFile::create(output, std::int64_t(leadingBytes.size()) + sorter.outputBytes());
    if (!created.file || ostrel::writeSortedRecords(sorter, leadingBytes, *created.file)) {
        std::fprintf(stderr, "cannot write %s\n", output.string().c_str());
        return false;
    }
    phases.sortAndWrite.push_back(millisecondsSince(mark));
    if (created.file->commit())
        return false;
    phases.flush.push_back(millisecondsSince(mark));
    phases.total.push_back(std::chrono::duration<double, std::milli>(mark - start).count());

    ostrel::RecordSorter alone(route.file.records(), route.file.parts(), route.file.reading());
    mark = Clock::now();
    alone.sortedRecords();
    phases.sortAlone.push_back(millisecondsSince(mark));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: sort-phases INPUT OUTPUT RUNS\n");
        return 2;
    }
    Phases phases;
    for (int run = 0; run < std::max(1, std::atoi(argv[3])); ++run) {
        if (!timeOneRun(argv[1], argv[2], phases))
            return 1;
    }
    std::printf("%.1f %.1f %.1f %.1f %.1f %.1f\n", median(phases.read), median(phases.key), median(phases.sortAlone),
                median(phases.sortAndWrite), median(phases.flush), median(phases.total));
    return 0;
}
