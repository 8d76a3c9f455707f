#pragma once

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace voltmere::test {

// A throw-away root folder in which a test lays out fake /proc and /sys files.
class FakeTree {
public:
    std::string root() const { return m_dir.path().toStdString(); }
    std::filesystem::path path(std::string_view relative) const { return std::filesystem::path(root()) / relative; }

    void write(std::string_view relative, std::string_view content) const
    {
        const auto file = path(relative);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    }
    void mkdir(std::string_view relative) const { std::filesystem::create_directories(path(relative)); }
    void symlink(std::string_view target, std::string_view relative) const
    {
        const auto link = path(relative);
        std::filesystem::create_directories(link.parent_path());
        std::filesystem::create_symlink(std::string(target), link);
    }
    void remove(std::string_view relative) const { std::filesystem::remove_all(path(relative)); }

private:
    QTemporaryDir m_dir;
};

// The text of tests/fixtures/<relative>.
inline std::string readFixture(std::string_view relative)
{
    std::ifstream file(std::filesystem::path(VOLTMERE_TEST_FIXTURES) / relative, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace voltmere::test
