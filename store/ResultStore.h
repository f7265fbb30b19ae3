#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace SQLite {
class Database;
}

namespace lis {

// One row of the result table as the report reads it: the rank trimmed, the path exactly as it
// was stored (blanks at either end are part of a file's name).
struct RankRow
{
    QString rank;
    QString fileName;
};

// The Image_Rank table of the working database. Opened once at start; every operation runs to
// its end before the next starts. Failures are reported as values: a store that could not be
// opened does nothing and reads no rows.
class ResultStore
{
public:
    // The connection text naming a database file; the provider and password belong to the
    // original platform and are kept so the text reads as it always has.
    static QString connectionString(const QString &databaseFile);
    // The file named by a connection text's Data Source, or the empty string.
    static QString dataSource(const QString &connectionString);

    explicit ResultStore(const QString &connectionString);
    ~ResultStore();
    ResultStore(const ResultStore &) = delete;
    ResultStore &operator=(const ResultStore &) = delete;

    bool isOpen() const { return m_db != nullptr; }
    const QString &openError() const { return m_openError; }

    // Appends one row; the path is stored exactly, byte for byte. False when the
    // row could not be written (the run goes on without it).
    bool AddImageRank(const QString &path, std::int32_t rank);
    bool DeleteRecords();
    // SELECT * FROM Image_Rank ORDER by val(Rank): lowest rank first.
    std::vector<RankRow> reportRows() const;

    // The first write that failed since the table was last emptied (a row that could not be
    // added, a batch that could not be committed), with the database's reason; empty when none.
    const QString &writeError() const { return m_writeError; }

    // Groups the writes of one run phase into one transaction; rows are committed at the end,
    // or when the batch object goes away. A commit that fails rolls every row of the batch back
    // and says so.
    class Batch
    {
    public:
        explicit Batch(ResultStore &store);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;
        bool commit();

    private:
        ResultStore &m_store;
        bool m_active = false;
    };

private:
    void noteWriteError(const QString &what);

    QString m_openError;
    QString m_writeError;
    std::unique_ptr<SQLite::Database> m_db;
};

// Removes leading and trailing blanks (only the blank character, as the table's readers expect).
QString trimBlanks(const QString &text);

} // namespace lis
