// Writes a fresh database file: with the empty result table, or with nothing in it.
#include <SQLiteCpp/Database.h>
#include <cstdio>
#include <filesystem>
#include <string_view>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s --with-table|--empty FILE\n", argv[0]);
        return 2;
    }
    const std::string_view mode = argv[1];
    const std::filesystem::path file = argv[2];
    try {
        std::filesystem::remove(file);
        SQLite::Database db(file.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        if (mode == "--with-table")
            db.exec("CREATE TABLE Image_Rank (Rank Char(50), FileName Char(250))");
        else if (mode != "--empty")
            return 2;
        // An SQLite file stays zero bytes until something is written; give every file a header.
        db.exec("PRAGMA user_version = 1");
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), e.what());
        return 1;
    }
    return 0;
}
