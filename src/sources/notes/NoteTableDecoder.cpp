#include "sources/notes/NoteTableDecoder.h"

#include "platform/Gzip.h"
#include "sources/notes/NoteDocumentProto.h"
#include "sources/notes/notestore.pb.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <set>

namespace varnholt::notesdb {

namespace {

using Entry = notestore::MergeableDataObjectEntry;
constexpr int kMaxRegisterHops = 16;

class TableGraph {
public:
    explicit TableGraph(const notestore::MergeableDataObjectData& data) : m_data(data)
    {
        for (int i = 0; i < data.mergeable_data_object_uuid_item_size(); ++i)
            m_uuidIndex.emplace(data.mergeable_data_object_uuid_item(i), static_cast<std::uint64_t>(i));
    }

    // The object an id names, past any registers that only point further.
    const Entry* resolve(const notestore::ObjectID& id) const
    {
        const Entry* entry = at(id);
        for (int hop = 0; entry && entry->has_register_latest() && hop < kMaxRegisterHops; ++hop)
            entry = at(entry->register_latest().contents());
        return entry;
    }

    const Entry* tableEntry() const
    {
        for (const Entry& entry : m_data.mergeable_data_object_entry())
            if (entry.has_custom_map() && typeName(entry.custom_map().type()) == "com.apple.notes.ICTable")
                return &entry;
        return nullptr;
    }

    std::string keyName(int index) const
    {
        if (index < 0 || index >= m_data.mergeable_data_object_key_item_size())
            return {};
        return m_data.mergeable_data_object_key_item(index);
    }

    // An identity object (a UUID map) stands for the UUID whose index its first value holds.
    static std::optional<std::uint64_t> identity(const Entry* entry)
    {
        if (!entry || !entry->has_custom_map() || entry->custom_map().map_entry_size() == 0)
            return std::nullopt;
        const notestore::ObjectID& value = entry->custom_map().map_entry(0).value();
        if (!value.has_unsigned_integer_value())
            return std::nullopt;
        return value.unsigned_integer_value();
    }

    // Element identities of an ordered set in their visible order.
    std::vector<std::uint64_t> order(const Entry* entry) const
    {
        std::vector<std::uint64_t> out;
        if (!entry || !entry->has_ordered_set())
            return out;
        const notestore::OrderedSetOrdering& ordering = entry->ordered_set().ordering();
        std::map<std::uint64_t, std::uint64_t> contents;
        for (const notestore::DictionaryElement& element : ordering.contents().element()) {
            const auto key = identity(resolve(element.key()));
            const auto value = identity(resolve(element.value()));
            if (key && value)
                contents.emplace(*key, *value);
        }
        std::set<std::uint64_t> seen;
        for (const notestore::OrderedSetOrderingArrayAttachment& attachment : ordering.array().attachment()) {
            const auto uuid = m_uuidIndex.find(attachment.uuid());
            if (uuid == m_uuidIndex.end())
                continue;
            const auto element = contents.find(uuid->second);
            if (element != contents.end() && seen.insert(element->second).second)
                out.push_back(element->second);
        }
        return out;
    }

    // The text of a register or map that holds a string (the direction register).
    std::string stringValue(const Entry* entry) const
    {
        if (!entry || !entry->has_custom_map())
            return {};
        for (const notestore::MapEntry& mapEntry : entry->custom_map().map_entry())
            if (mapEntry.value().has_string_value())
                return mapEntry.value().string_value();
        return {};
    }

private:
    const Entry* at(const notestore::ObjectID& id) const
    {
        if (!id.has_object_index() || id.object_index() < 0 ||
            id.object_index() >= m_data.mergeable_data_object_entry_size())
            return nullptr;
        return &m_data.mergeable_data_object_entry(id.object_index());
    }

    std::string typeName(int index) const
    {
        if (index < 0 || index >= m_data.mergeable_data_object_type_item_size())
            return {};
        return m_data.mergeable_data_object_type_item(index);
    }

    const notestore::MergeableDataObjectData& m_data;
    std::map<std::string, std::uint64_t> m_uuidIndex;
};

} // namespace

NoteTableDecoder::Result NoteTableDecoder::decode(std::string_view blob)
{
    std::string inflated;
    std::string_view bytes = blob;
    if (looksLikeGzip(blob)) {
        std::optional<std::string> result = inflateGzip(blob);
        if (!result)
            return {std::nullopt, "its data does not inflate"};
        inflated = std::move(*result);
        bytes = inflated;
    }
    notestore::MergableDataProto proto;
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
        !proto.ParseFromArray(bytes.data(), static_cast<int>(bytes.size())))
        return {std::nullopt, "its data is not a readable table"};

    const TableGraph graph(proto.mergable_data_object().mergeable_data_object_data());
    const Entry* table = graph.tableEntry();
    if (!table)
        return {std::nullopt, "its data holds no table"};

    const Entry* rowsEntry = nullptr;
    const Entry* columnsEntry = nullptr;
    const Entry* cellsEntry = nullptr;
    NoteTable out;
    for (const notestore::MapEntry& mapEntry : table->custom_map().map_entry()) {
        const std::string key = graph.keyName(mapEntry.key());
        if (key == "crRows")
            rowsEntry = graph.resolve(mapEntry.value());
        else if (key == "crColumns")
            columnsEntry = graph.resolve(mapEntry.value());
        else if (key == "cellColumns")
            cellsEntry = graph.resolve(mapEntry.value());
        else if (key == "crTableColumnDirection")
            out.rightToLeft = graph.stringValue(graph.resolve(mapEntry.value())) == "CRTableColumnDirectionRightToLeft";
    }
    const std::vector<std::uint64_t> rows = graph.order(rowsEntry);
    const std::vector<std::uint64_t> columns = graph.order(columnsEntry);
    if (!rowsEntry || !columnsEntry || !cellsEntry || !cellsEntry->has_dictionary())
        return {std::nullopt, "its rows, columns or cells are missing"};
    if (!rows.empty() && columns.size() > kMaxCells / rows.size())
        return {std::nullopt, "it claims more than " + std::to_string(kMaxCells) + " cells"};

    std::map<std::uint64_t, size_t> rowAt;
    std::map<std::uint64_t, size_t> columnAt;
    for (size_t i = 0; i < rows.size(); ++i)
        rowAt.emplace(rows[i], i);
    for (size_t i = 0; i < columns.size(); ++i)
        columnAt.emplace(columns[i], i);
    out.rows.assign(rows.size(), std::vector<NoteDocument>(columns.size()));

    // cellColumns: column identity -> (row identity -> cell text). A cell naming a row or column
    // the orderings do not hold was deleted; it is not shown.
    for (const notestore::DictionaryElement& column : cellsEntry->dictionary().element()) {
        const auto columnId = TableGraph::identity(graph.resolve(column.key()));
        const Entry* cells = graph.resolve(column.value());
        if (!columnId || !columnAt.count(*columnId) || !cells || !cells->has_dictionary())
            continue;
        const size_t c = columnAt.at(*columnId);
        for (const notestore::DictionaryElement& cell : cells->dictionary().element()) {
            const auto rowId = TableGraph::identity(graph.resolve(cell.key()));
            const Entry* text = graph.resolve(cell.value());
            if (!rowId || !rowAt.count(*rowId) || !text || !text->has_note())
                continue;
            out.rows[rowAt.at(*rowId)][c] = noteDocumentFromNote(text->note());
        }
    }
    if (out.rightToLeft)
        for (auto& row : out.rows)
            std::reverse(row.begin(), row.end());
    return {std::move(out), {}};
}

} // namespace varnholt::notesdb
