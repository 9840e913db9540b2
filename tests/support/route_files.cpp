#include "support/route_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace support {

namespace {

std::string padded(std::string_view text, std::size_t width)
{
    std::string field(text);
    if (field.size() < width)
        field.append(width - field.size(), ' ');
    return field;
}

} // namespace

std::string routeRecord(std::size_t length, std::initializer_list<std::pair<std::size_t, std::string_view>> placed)
{
    std::string record(length, '.');
    for (const auto &[column, text] : placed)
        record.replace(column - 1, std::min(text.size(), record.size() - std::min(record.size(), column - 1)), text);
    return record.substr(0, length);
}

std::string routeRecord(std::string_view route, std::string_view name, std::string_view order,
                        std::optional<std::size_t> nameColumns)
{
    const std::size_t extra = name.size() - nameColumns.value_or(name.size());
    return routeRecord(190 + extra, {{1, route}, {18, padded(name, 30 + extra)}, {170 + extra, order}});
}


std::string routeFile(const std::vector<std::string> &lines)
{
    std::string file;
    for (const std::string &line : lines)
        file += line + "\r\n";
    return file;
}

void writeFile(const std::filesystem::path &path, std::string_view bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    if (!file.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::string readFile(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> folderEntries(const std::filesystem::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace support
