#pragma once
// The named fields of every native record, described once: name, offset and size (taken from the
// record structs, never written out), kind and, where a page shows the value as a list item, the
// item's text. Bytes no field names are listed as carried ranges, so each table covers its record
// exactly; tools walk these tables to show, compare and merge records without widgets.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fields {

enum class Kind : std::uint8_t {
    Unsigned, // little-endian unsigned integer of 1, 2 or 4 bytes
    Signed,   // little-endian signed integer
    Text,     // fixed-width GBK text padded with NUL bytes
    Bytes,    // a byte array shown as hexadecimal
    Struct,   // a nested structure, or an array of them
    Carried,  // bytes no field names: travel unchanged
};

struct Table;

// The list text of a stored value; empty when the value has no item.
using ItemText = std::string (*)(std::int64_t value);

struct Field {
    const char *name = "";
    std::size_t offset = 0;
    std::size_t size = 0; // the whole member (all elements of an array)
    Kind kind = Kind::Carried;
    std::size_t count = 1;              // elements: an array of structures, texts or integers
    const Table &(*nested)() = nullptr; // the element's table of a Struct
    ItemText items = nullptr;
    const char *label = nullptr; // a reader's name of a nested structure ("main stream")

    std::size_t elementSize() const { return size / count; }
};

struct Table {
    const char *name;
    std::size_t size;
    std::vector<Field> fields;
};

// The table of a record or of a structure inside one; defined for every record the dialog loads
// and every structure they hold.
template <typename Record> const Table &tableOf();

// The scale setting, a 32-bit flag the server page shows as a list ("不启用", "启用").
const Table &scaleTable();

// Every table, records and nested structures, for checks that run over all of them.
std::vector<const Table *> allTables();

// Problems of a table's coverage: gaps, overlaps, a size that does not add up, an array whose
// elements do not divide it, a nested table of another size. Empty when the table is exact.
std::vector<std::string> coverageProblems(const Table &table);

// Reads a little-endian integer field (1, 2, 4 or 8 bytes).
std::int64_t readInteger(const std::uint8_t *at, std::size_t size, bool isSigned);

} // namespace fields
