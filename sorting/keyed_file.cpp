#include "sorting/keyed_file.h"

#include "runtime/text_body.h"
#include "sorting/record_key.h"

#include <new>

namespace ostrel {

bool KeyedFile::sameKey(const KeyedRecord &left, const KeyedRecord &right) const
{
    return left.key() == right.key()
           && (left.key().isWhole() || recordKeyText(line(left), reading()) == recordKeyText(line(right), reading()));
}

Result<KeyedFile> keyFile(InputContents contents, const ReadingChoice &chosen, std::int64_t memory,
                          const PiecePlace &place)
{
    Result<TextBody> body = textBody(contents.bytes(), place);
    if (!body)
        return body.failure();
    if (std::int64_t(contents.bytes().size()) + recordCount(*body) * std::int64_t(sizeof(KeyedRecord)) > memory)
        throw std::bad_alloc();
    Result<KeyedText> keyed = keyRecords(body->lines, body->parts, chosen, place);
    if (!keyed) {
        const Result<void> kept = contents.keptThroughout();
        return kept ? keyed.failure() : kept.failure();
    }
    return KeyedFile(std::move(contents), body->byteOrderMark, body->lines, std::move(*keyed));
}

Result<KeyedFile> readKeyedFile(const std::filesystem::path &path, const ReadingChoice &chosen,
                                const HeldFileWait &wait, std::int64_t memory)
{
    Result<InputContents> contents = readInputFile(path, wait);
    if (!contents)
        return contents.failure();
    return keyFile(std::move(*contents), chosen, memory);
}

} // namespace ostrel
