#include "sample-home/NoteTableEncoder.h"

#include "platform/Gzip.h"
#include "platform/Utf8.h"
#include "sources/notes/notestore.pb.h"

#include <algorithm>

namespace varnholt::sample {

namespace {

class Graph {
public:
    explicit Graph(notestore::MergeableDataObjectData& data) : m_data(data) {}

    int add()
    {
        m_data.add_mergeable_data_object_entry();
        return m_data.mergeable_data_object_entry_size() - 1;
    }
    notestore::MergeableDataObjectEntry& at(int index) { return *m_data.mutable_mergeable_data_object_entry(index); }

    std::uint64_t newUuid()
    {
        std::string uuid(16, '\0');
        const auto n = static_cast<std::uint64_t>(m_data.mergeable_data_object_uuid_item_size());
        for (std::size_t i = 0; i < 8; ++i)
            uuid[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
        for (std::size_t i = 8; i < uuid.size(); ++i)
            uuid[i] = static_cast<char>((i * 11 + 5) & 0xFF);
        m_data.add_mergeable_data_object_uuid_item(uuid);
        return n;
    }
    const std::string& uuid(std::uint64_t index) const
    {
        return m_data.mergeable_data_object_uuid_item(static_cast<int>(index));
    }

    // An identity object: a UUID map whose first value is the UUID's index.
    int identity(std::uint64_t uuidIndex)
    {
        const int index = add();
        auto* map = at(index).mutable_custom_map();
        map->set_type(2);
        auto* entry = map->add_map_entry();
        entry->set_key(4);
        entry->mutable_value()->set_unsigned_integer_value(uuidIndex);
        return index;
    }

    // An ordered set of `count` elements; returns the set's object and the element identities
    // in the order they were made.
    std::pair<int, std::vector<std::uint64_t>> orderedSet(std::size_t count, bool reverse)
    {
        const int set = add();
        std::vector<std::pair<std::uint64_t, std::uint64_t>> pairs; // array UUID -> element identity
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint64_t element = newUuid();
            const std::uint64_t position = newUuid();
            const int value = identity(element);
            const int key = identity(position);
            auto* item = at(set).mutable_ordered_set()->mutable_ordering()->mutable_contents()->add_element();
            item->mutable_key()->set_object_index(key);
            item->mutable_value()->set_object_index(value);
            pairs.emplace_back(position, element);
        }
        std::vector<std::uint64_t> elements;
        for (const auto& pair : pairs)
            elements.push_back(pair.second);
        if (reverse)
            std::reverse(pairs.begin(), pairs.end());
        auto* array = at(set).mutable_ordered_set()->mutable_ordering()->mutable_array();
        std::string placeholders;
        for (std::size_t i = 0; i < count; ++i)
            placeholders += "\xEF\xBF\xBC";
        array->mutable_contents()->set_note_text(placeholders);
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            auto* attachment = array->add_attachment();
            attachment->set_index(static_cast<std::int64_t>(i));
            attachment->set_uuid(uuid(pairs[i].first));
        }
        return {set, elements};
    }

private:
    notestore::MergeableDataObjectData& m_data;
};

} // namespace

std::string encodeCompressedTable(const SampleTable& table)
{
    notestore::MergableDataProto proto;
    auto& data = *proto.mutable_mergable_data_object()->mutable_mergeable_data_object_data();
    for (const char* key :
         {"identity", "crTableColumnDirection", "self", "crRows", "UUIDIndex", "crColumns", "cellColumns"})
        data.add_mergeable_data_object_key_item(key);
    for (const char* type :
         {"com.apple.CRDT.NSNumber", "com.apple.CRDT.NSString", "com.apple.CRDT.NSUUID", "com.apple.notes.ICTable"})
        data.add_mergeable_data_object_type_item(type);
    Graph graph(data);

    const int tableObject = graph.add();
    graph.at(tableObject).mutable_custom_map()->set_type(3);
    auto addKey = [&](int key, int object) {
        auto* entry = graph.at(tableObject).mutable_custom_map()->add_map_entry();
        entry->set_key(key);
        entry->mutable_value()->set_object_index(object);
    };

    const int direction = graph.add();
    const int directionText = graph.add();
    graph.at(direction).mutable_register_latest()->mutable_contents()->set_object_index(directionText);
    auto* directionMap = graph.at(directionText).mutable_custom_map();
    directionMap->set_type(1);
    auto* directionEntry = directionMap->add_map_entry();
    directionEntry->set_key(2);
    directionEntry->mutable_value()->set_string_value(table.rightToLeft ? "CRTableColumnDirectionRightToLeft"
                                                                        : "CRTableColumnDirectionLeftToRight");
    addKey(1, direction);

    const std::size_t rowCount = table.cells.size();
    const std::size_t columnCount = rowCount ? table.cells.front().size() : 0;
    const auto [rows, rowIds] = graph.orderedSet(rowCount, table.reorder);
    const auto [columns, columnIds] = graph.orderedSet(columnCount, table.reorder);
    addKey(3, rows);
    addKey(5, columns);

    const int cellColumns = graph.add();
    graph.at(cellColumns).mutable_dictionary();
    addKey(6, cellColumns);
    for (std::size_t c = 0; c < columnCount; ++c) {
        const int columnKey = graph.identity(columnIds[c]);
        const int rowDictionary = graph.add();
        graph.at(rowDictionary).mutable_dictionary();
        auto* column = graph.at(cellColumns).mutable_dictionary()->add_element();
        column->mutable_key()->set_object_index(columnKey);
        column->mutable_value()->set_object_index(rowDictionary);
        for (std::size_t r = 0; r < rowCount; ++r) {
            const int rowKey = graph.identity(rowIds[r]);
            const int cell = graph.add();
            const std::string& text = c < table.cells[r].size() ? table.cells[r][c] : std::string();
            auto* note = graph.at(cell).mutable_note();
            note->set_note_text(text);
            note->add_attribute_run()->set_length(static_cast<std::uint32_t>(utf8::utf16Length(text)));
            auto* element = graph.at(rowDictionary).mutable_dictionary()->add_element();
            element->mutable_key()->set_object_index(rowKey);
            element->mutable_value()->set_object_index(r == 0 && c == 0 && table.danglingFirstCell ? 1 << 30 : cell);
        }
    }
    return notesdb::deflateGzip(proto.SerializeAsString());
}

} // namespace varnholt::sample
