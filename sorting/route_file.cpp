#include "sorting/route_file.h"

#include "runtime/path_text.h"
#include "runtime/text_body.h"

namespace ostrel {

RouteFile::RouteFile(std::filesystem::path path, InputContents held, std::string_view byteOrderMark,
                     std::string_view records, std::vector<TextStretch> recordStretches)
    : filePath(std::move(path)), contents(std::move(held)), mark(byteOrderMark), recordBytes(records),
      lineStretches(std::move(recordStretches))
{
}

std::optional<SortOutcome> RouteFile::failureSinceRead() const
{
    if (auto reason = contents.failureSinceOpened())
        return readFailedOutcome(displayInputPath(filePath), *reason);
    return std::nullopt;
}

RouteFileRead readRouteFile(const std::filesystem::path &path)
{
    InputFile input = readInputFile(path);
    if (input.failureReason)
        return {{}, readFailedOutcome(displayInputPath(path), *input.failureReason)};
    TextBody body = textBody(input.contents.bytes());
    if (body.refusal)
        return {{}, readFailedOutcome(displayInputPath(path), *body.refusal)};
    return {RouteFile(path, std::move(input.contents), body.byteOrderMark, body.lines,
                      std::move(body.stretches)),
            std::nullopt};
}

} // namespace ostrel
