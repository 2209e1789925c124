#include "convert/PlainTextWriter.h"

namespace varnholt {

void PlainTextWriter::startLine(int lineBreaks, int indent, std::string_view marker)
{
    m_out.append(static_cast<std::size_t>(lineBreaks), '\n');
    m_out.append(static_cast<std::size_t>(indent), '\t');
    m_out.append(marker);
}

void PlainTextWriter::text(std::string_view utf8, const TextStyle&)
{
    m_out.append(utf8);
}

void PlainTextWriter::cellSeparator()
{
    m_out.push_back('\t');
}

std::string PlainTextWriter::finish()
{
    if (!m_out.empty())
        m_out.push_back('\n');
    return std::move(m_out);
}

} // namespace varnholt
