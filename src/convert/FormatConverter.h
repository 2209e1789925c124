#pragma once

#include "convert/ConversionTools.h"
#include "convert/OutputLocks.h"
#include "convert/PdfConverter.h"
#include "convert/TextutilConverter.h"
#include "model/ExportFormat.h"
#include "platform/ProgressHandler.h"
#include "platform/ThreadPool.h"

#include <filesystem>

#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace varnholt {

// Turns a folder of exported HTML notes into the further formats chosen:
// "txt" and "rtf" in process, "pdf" through weasyprint, "markdown" through
// html2text. Markdown and PDF go first, one Python per worker thread for its
// whole share of the notes; then text and RTF in batches of ten, each batch's
// conversions spread over the pool of worker threads sized to the machine.
class FormatConverter {
public:
    explicit FormatConverter(ConversionTools tools = ConversionTools::standard(), std::stop_token stop = {},
                             unsigned workers = 0);

    // Converts the HTML below the output folder (its "html" folder when
    // `html` is among the formats). Each output keeps the source's folder
    // within its format folder: html/Work/Plan.html -> markdown/Work/Plan.md.
    // Throws the Error of the first output that cannot be written (a format
    // folder, a converted file: a full disk loses every later file too); a note
    // that cannot be read or converted is logged and costs only its own output.
    // Returns the number of HTML files processed. A stop request ends it
    // between batches.
    int convertFormats(const std::string& outputPath, const ExportFormatSet& formats, std::optional<long long> limit,
                       const ProgressHandler& progressHandler);

    // The same from any folder of HTML files into the output folder.
    int convertFolder(const std::string& sourceFolder, const std::string& outputPath, const ExportFormatSet& formats,
                      std::optional<long long> limit, const ProgressHandler& progressHandler, SourceHtml source);

    // Each fails only with an output that could not be written.
    [[nodiscard]] ConversionOutcome convertWithTextutil(const std::string& inputPath, const std::string& outputPath,
                                                        TextutilFormat format) const;
    [[nodiscard]] ConversionOutcome convertHTMLToPDF(const std::string& htmlPath, const std::string& pdfPath,
                                                     SourceHtml source = SourceHtml::fixCharsetInPlace) const;
    [[nodiscard]] ConversionOutcome convertHTMLToMarkdown(const std::string& htmlPath,
                                                          const std::string& markdownPath) const;

    // Relative paths of the regular files ending in ".html" below `folder`,
    // in walk order (names sorted within each folder). With a limit the walk
    // stops once that many are found (after the first file when it is 0 or less).
    static std::vector<std::string> collectHtmlFiles(const std::string& folder, std::optional<long long> limit);
    // "markdown", "pdf", "rtf", "txt", "json"; "html" for html.
    static std::string folderName(ExportFormat format);

private:
    // One converter process per worker, each with its share of the notes.
    ConversionOutcome convertMarkdown(ThreadPool& pool, const std::string& sourceFolder,
                                      const std::vector<std::string>& files, const std::filesystem::path& folder) const;
    ConversionOutcome convertPdf(ThreadPool& pool, const std::string& sourceFolder,
                                 const std::vector<std::string>& files, const std::filesystem::path& folder,
                                 SourceHtml source) const;

    ConversionTools m_tools;
    std::stop_token m_stop;
    unsigned m_workers;
    OutputLocks m_locks;
};

} // namespace varnholt
