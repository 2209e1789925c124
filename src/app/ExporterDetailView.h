#pragma once

#include "app/WindowEnvironment.h"
#include "model/ExportOptions.h"
#include "sources/SourceAccess.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace varnholt {

class ErrorPanel;
class ExportManagerBinding;
class MethodRow;

// The options-and-run screen of one source. It keeps the user's choices for
// one export, hands requests to the manager and draws the manager's state.
// The main window makes a fresh one whenever the source changes.
class ExporterDetailView : public QWidget {
public:
    // `chooseSource` opens the window's source folder chooser, offered where the source cannot be read.
    ExporterDetailView(ExporterType exporterType, ExportManagerBinding& binding, WindowEnvironment environment,
                       std::function<void()> chooseSource = {}, QWidget* parent = nullptr);

    ExporterType exporterType() const { return m_exporterType; }
    const QString& exportPath() const { return m_exportPath; }
    const ExportFormatSet& exportFormats() const { return m_exportFormats; }
    bool isTestMode() const { return m_isTestMode; }
    bool useFastMode() const { return m_useFastMode; }
    bool resolveContactNames() const { return m_resolveContactNames; }
    bool hasFDAAccess() const { return m_hasFDAAccess; }
    // The last probe's answer: what could not be read, and why.
    const SourceAccess& sourceAccess() const { return m_sourceAccess; }
    bool canExport() const;

    // The Messages filters of the window's fields; nothing while a date is not one.
    std::optional<MessagesFilter> messagesFilter() const;
    // What the export button would send, or nothing when it would do nothing.
    std::optional<ExportOptions> exportRequest() const;
    ExportOptions previewRequest() const;

    void setupDefaultPath();
    void checkFDAAccess();
    void chooseExportPath();
    void startDryRun();
    void startExport();

private:
    QWidget* buildOptionsBox();
    QWidget* buildMethodSection();
    QWidget* buildTestModeRow();
    QWidget* buildFormatsSection();
    QWidget* buildVoiceMemosInfo();
    QWidget* buildMessagesSections();
    QWidget* buildPasswordSection();
    QWidget* buildLocationSection();
    QWidget* buildResultsArea();
    QWidget* buildProgressArea();
    QWidget* buildButtonRow();
    void rebuildFormatSwitches();

    void setUseFastMode(bool fast);
    void setExportPath(const QString& path);
    void refreshControls();
    void refreshFromManager();

    ExporterType m_exporterType;
    ExportManagerBinding& m_binding;
    WindowEnvironment m_environment;
    std::function<void()> m_chooseSource;

    QString m_exportPath;
    ExportFormatSet m_exportFormats;
    bool m_isTestMode = false;
    QString m_testModeLimit = QStringLiteral("10");
    bool m_useFastMode = false;
    bool m_resolveContactNames = false;
    // Held for the next export only; never written to settings or anywhere else.
    QString m_password;
    bool m_nameRecordingsByTitle = false;
    bool m_hasFDAAccess = false;
    SourceAccess m_sourceAccess;
    QString m_since;
    QString m_until;
    QString m_chats; // comma-separated

    MethodRow* m_standardRow = nullptr;
    MethodRow* m_fastRow = nullptr;
    QWidget* m_testModeRow = nullptr;
    QWidget* m_testLimitPart = nullptr;
    QVBoxLayout* m_formatList = nullptr;
    QLineEdit* m_pathField = nullptr;
    QLabel* m_filterProblem = nullptr;
    ErrorPanel* m_errorPanel = nullptr;
    QWidget* m_resultsArea = nullptr;
    QLabel* m_summaryText = nullptr;
    QWidget* m_progressArea = nullptr;
    QLabel* m_progressStatus = nullptr;
    QLabel* m_progressPercent = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_progressDetail = nullptr;
    QWidget* m_buttonRow = nullptr;
    QPushButton* m_previewButton = nullptr;
    QPushButton* m_exportButton = nullptr;
};

} // namespace varnholt
