#include "sorting/route_file.h"

#include "runtime/path_text.h"
#include "runtime/text_body.h"

namespace ostrel {

RouteFile::RouteFile(std::filesystem::path path, InputContents held, TextBody body)
    : filePath(std::move(path)), contents(std::move(held)), text(std::move(body))
{
}

std::optional<SortOutcome> RouteFile::failureSinceRead(const std::optional<std::string> &refusal) const
{
    if (auto reason = contents.failureSinceOpened())
        return readFailedOutcome(displayInputPath(filePath), *reason);
    if (refusal)
        return readFailedOutcome(displayInputPath(filePath), *refusal);
    return std::nullopt;
}

RouteFileRead readRouteFile(const std::filesystem::path &path, const TextReading &chosen)
{
    InputFile input = readInputFile(path);
    if (input.failureReason)
        return {{}, readFailedOutcome(displayInputPath(path), *input.failureReason)};
    TextBody body = textBody(input.contents.bytes(), chosen);
    if (body.refusal)
        return {{}, readFailedOutcome(displayInputPath(path), *body.refusal)};
    return {RouteFile(path, std::move(input.contents), std::move(body)), std::nullopt};
}

} // namespace ostrel
