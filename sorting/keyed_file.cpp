#include "sorting/keyed_file.h"

#include "runtime/text_body.h"
#include "sorting/record_key.h"

namespace ostrel {

bool KeyedFile::sameKey(const KeyedRecord &left, const KeyedRecord &right) const
{
    return left.key() == right.key()
           && (left.key().isWhole() || recordKeyText(line(left), reading()) == recordKeyText(line(right), reading()));
}

Result<KeyedFile> keyFile(InputContents contents, const ReadingChoice &chosen)
{
    Result<TextBody> body = textBody(contents.bytes());
    if (!body)
        return body.failure();
    Result<KeyedText> keyed = keyRecords(body->lines, body->parts, chosen);
    if (!keyed) {
        const Result<void> kept = contents.keptThroughout();
        return kept ? keyed.failure() : kept.failure();
    }
    return KeyedFile(std::move(contents), body->byteOrderMark, body->lines, std::move(*keyed));
}

Result<KeyedFile> readKeyedFile(const std::filesystem::path &path, const ReadingChoice &chosen,
                                const HeldFileWait &wait)
{
    Result<InputContents> contents = readInputFile(path, wait);
    if (!contents)
        return contents.failure();
    return keyFile(std::move(*contents), chosen);
}

} // namespace ostrel
