#include "sorting/route_file.h"

namespace ostrel {

Result<KeyedInput> RouteFile::keyRecords(const TextReading &chosen) const
{
    Result<KeyedInput> keyed = ostrel::keyRecords(records(), parts(), chosen);
    if (keyed)
        return keyed;
    const Result<void> kept = keptThroughout();
    return kept ? keyed.failure() : kept.failure();
}

Result<RouteFile> readRouteFile(const std::filesystem::path &path)
{
    Result<InputContents> input = readInputFile(path, HeldFileWait());
    if (!input)
        return input.failure();
    Result<TextBody> body = textBody(input->bytes());
    if (!body)
        return body.failure();
    return RouteFile(std::move(*input), std::move(*body));
}

} // namespace ostrel
