// Times the phases of a sort run on a route file, as the engine's own calls
// make them up: reading (open and map), keying (with the plan of stretches),
// sorting and writing (which overlap in a run, so sorting is also timed on
// its own), and the final flush with the rename. Prints the medians in ms.
#include "runtime/input_file.h"
#include "sorting/keyed_file.h"
#include "sorting/record_sort.h"
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
    const ostrel::HeldFileWait wait;
    Clock::time_point mark = Clock::now();
    const Clock::time_point start = mark;
    const ostrel::Result<ostrel::InputContents> contents = ostrel::readInputFile(input, wait);
    if (!contents) {
        std::fprintf(stderr, "%s\n", contents.reason().c_str());
        return false;
    }
    phases.read.push_back(millisecondsSince(mark));
    ostrel::Result<ostrel::KeyedFile> keyed =
        ostrel::keyFile(ostrel::InputContents(nullptr, contents->bytes()), ostrel::systemChoice());
    if (!keyed) {
        std::fprintf(stderr, "%s\n", keyed.reason().c_str());
        return false;
    }
    ostrel::RecordSort sort = ostrel::planSort(*keyed);
    phases.key.push_back(millisecondsSince(mark));
    ostrel::Result<std::unique_ptr<ostrel::OutputFile>> created =
        ostrel::OutputFile::create(output, sort.outputBytes(), wait);
    if (!created || !ostrel::writeWhileSorting(sort, **created)) {
        std::fprintf(stderr, "cannot write %s\n", output.string().c_str());
        return false;
    }
    phases.sortAndWrite.push_back(millisecondsSince(mark));
    if (!(*created)->commit())
        return false;
    phases.flush.push_back(millisecondsSince(mark));
    phases.total.push_back(std::chrono::duration<double, std::milli>(mark - start).count());

    ostrel::Result<ostrel::KeyedFile> again =
        ostrel::keyFile(ostrel::InputContents(nullptr, contents->bytes()), ostrel::systemChoice());
    ostrel::RecordSort alone = ostrel::planSort(*again);
    mark = Clock::now();
    ostrel::sortRemaining(alone);
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
