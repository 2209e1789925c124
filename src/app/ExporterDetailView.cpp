#include "app/ExporterDetailView.h"

#include "app/Colors.h"
#include "app/ErrorPanel.h"
#include "app/ExportManagerBinding.h"
#include "app/FDAWarningView.h"
#include "app/FolderChooser.h"
#include "app/MethodRow.h"
#include "app/Symbols.h"
#include "app/TestLimit.h"
#include "app/Typography.h"
#include "export/DefaultOutputPath.h"
#include "model/Presentation.h"
#include "model/messages/DateWindow.h"
#include "platform/Percent.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnholt {

namespace {
constexpr int kProgressSteps = 1000;

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* infoLine(const QString& symbol, const QString& text)
{
    auto* line = new QWidget;
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    makeSecondary(label);
    row->addWidget(symbolLabel(symbol, label->palette().color(QPalette::PlaceholderText), 14), 0, Qt::AlignTop);
    row->addWidget(label, 1);
    return line;
}

QWidget* section(std::initializer_list<QWidget*> parts, int spacing = 8)
{
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    for (QWidget* part : parts)
        column->addWidget(part);
    return box;
}

bool offersPreview(ExporterType type)
{
    return type == ExporterType::voiceMemos || type == ExporterType::messages;
}

NotesMethod notesMethod(bool fast)
{
    return fast ? NotesMethod::fast : NotesMethod::standard;
}
} // namespace

ExporterDetailView::ExporterDetailView(ExporterType exporterType, ExportManagerBinding& binding,
                                       WindowEnvironment environment, std::function<void()> chooseSource,
                                       QWidget* parent)
    : QWidget(parent), m_exporterType(exporterType), m_binding(binding), m_environment(std::move(environment)),
      m_chooseSource(std::move(chooseSource)), m_exportFormats(defaultFormatSelection())
{
    setObjectName(QStringLiteral("detailView"));
    setupDefaultPath();
    checkFDAAccess();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);
    // The probe runs once per screen; the banner stays until the screen is made again.
    if (!m_hasFDAAccess)
        column->addWidget(new FDAWarningView(m_sourceAccess, m_chooseSource));
    column->addWidget(buildOptionsBox());
    m_errorPanel = new ErrorPanel(m_binding, m_chooseSource);
    column->addWidget(m_errorPanel);
    column->addWidget(buildResultsArea());
    column->addWidget(buildProgressArea());
    column->addWidget(buildButtonRow());
    column->addStretch(1);

    for (auto signal : {&ExportManagerBinding::isExportingChanged, &ExportManagerBinding::progressChanged,
                        &ExportManagerBinding::statusMessageChanged, &ExportManagerBinding::lastErrorChanged,
                        &ExportManagerBinding::exportSummaryChanged})
        connect(&m_binding, signal, this, [this] { refreshFromManager(); });
    refreshFromManager();
}

bool ExporterDetailView::canExport() const
{
    switch (m_exporterType) {
    case ExporterType::notes:
        return !m_exportFormats.empty();
    case ExporterType::voiceMemos:
    case ExporterType::messages:
        return true;
    default:
        return false;
    }
}

std::optional<ExportOptions> ExporterDetailView::exportRequest() const
{
    if (m_exportPath.isEmpty())
        return std::nullopt;
    ExportOptions options;
    options.type = m_exporterType;
    options.outputPath = m_exportPath.toStdString();
    options.isDryRun = false;
    if (!offersPreview(m_exporterType)) {
        options.formats = m_exportFormats;
        if (options.formats.empty())
            return std::nullopt;
    }
    if (m_isTestMode)
        options.testModeLimit = parseTestLimit(m_testModeLimit.toStdString());
    options.useFastMode = m_useFastMode;
    options.resolveContactNames = m_resolveContactNames;
    options.nameRecordingsByTitle = m_nameRecordingsByTitle;
    options.sourceHome = m_environment.sourceHome;
    if (!m_password.isEmpty())
        options.passwords = {m_password.toStdString()};
    if (m_exporterType == ExporterType::messages) {
        const std::optional<MessagesFilter> filter = messagesFilter();
        if (!filter)
            return std::nullopt;
        options.messagesFilter = *filter;
    }
    return options;
}

std::optional<MessagesFilter> ExporterDetailView::messagesFilter() const
{
    MessagesFilter filter;
    const std::string since = m_since.trimmed().toStdString();
    const std::string until = m_until.trimmed().toStdString();
    if (!since.empty()) {
        const auto from = localDayBound(since, DayEdge::start);
        if (!from)
            return std::nullopt;
        filter.window.from = *from;
    }
    if (!until.empty()) {
        const auto to = localDayBound(until, DayEdge::end);
        if (!to)
            return std::nullopt;
        filter.window.until = *to;
    }
    for (const QString& part : m_chats.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (const QString text = part.trimmed(); !text.isEmpty())
            filter.chats.push_back(text.toStdString());
    return filter;
}

ExportOptions ExporterDetailView::previewRequest() const
{
    ExportOptions options;
    options.type = m_exporterType;
    options.outputPath = m_exportPath.toStdString();
    options.isDryRun = true;
    options.useFastMode = false;
    options.resolveContactNames = m_resolveContactNames;
    options.sourceHome = m_environment.sourceHome;
    if (!m_password.isEmpty())
        options.passwords = {m_password.toStdString()};
    return options;
}

void ExporterDetailView::setupDefaultPath()
{
    setExportPath(
        QString::fromStdString(defaultOutputPath(m_exporterType, m_environment.now(), m_environment.userHome)));
}

void ExporterDetailView::checkFDAAccess()
{
    // The sources whose export opens one store, which an unreadable file would only fail on later.
    if (m_exporterType == ExporterType::messages || m_exporterType == ExporterType::notes)
        m_sourceAccess = checkSourceAccess(m_environment.sourceHome, m_exporterType, m_environment.isReadable);
    else
        m_sourceAccess = {};
    m_hasFDAAccess = m_sourceAccess.readable();
}

void ExporterDetailView::chooseExportPath()
{
    FolderChooser::Request request;
    request.message = QStringLiteral("Choose where to export your ") + qs(displayName(m_exporterType));
    request.startFolder = QString::fromStdString(m_environment.userHome);
    request.creation = FolderCreation::allowed;
    if (const auto chosen = FolderChooser::chooseFolder(this, request))
        setExportPath(*chosen);
}

void ExporterDetailView::startDryRun()
{
    m_binding.startExport(previewRequest());
}

void ExporterDetailView::startExport()
{
    if (const auto request = exportRequest())
        m_binding.startExport(*request);
}

QWidget* ExporterDetailView::buildOptionsBox()
{
    auto* box = new QFrame;
    box->setObjectName(QStringLiteral("optionsBox"));
    box->setStyleSheet(QStringLiteral("QFrame#optionsBox { background: palette(base); border: 1px solid %1; "
                                      "border-radius: 8px; }")
                           .arg(cssColor(withAlpha(QColor(128, 128, 128), 0.15))));
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(14);

    if (m_exporterType == ExporterType::notes)
        column->addWidget(buildMethodSection());
    column->addWidget(buildTestModeRow());
    if (m_exporterType == ExporterType::notes)
        column->addWidget(buildFormatsSection());
    if (m_exporterType == ExporterType::voiceMemos)
        column->addWidget(buildVoiceMemosInfo());
    if (m_exporterType == ExporterType::messages)
        column->addWidget(buildMessagesSections());
    column->addWidget(buildPasswordSection());
    column->addWidget(buildLocationSection());
    return box;
}

QWidget* ExporterDetailView::buildMethodSection()
{
    m_standardRow = new MethodRow({QStringLiteral("Standard"), QStringLiteral("Recommended"), greenColor(),
                                   QStringLiteral("Full formatting"), accentColor(palette())},
                                  [this] { setUseFastMode(false); });
    m_fastRow = new MethodRow({QStringLiteral("Fast"), QStringLiteral("Experimental"), orangeColor(),
                               QStringLiteral("Plain text only"), orangeColor()},
                              [this] { setUseFastMode(true); });
    m_standardRow->setSelected(!m_useFastMode);
    m_fastRow->setSelected(m_useFastMode);
    return section({sectionTitle(QStringLiteral("Export Method")), m_standardRow, m_fastRow});
}

QWidget* ExporterDetailView::buildTestModeRow()
{
    m_testModeRow = new QWidget;
    m_testModeRow->setObjectName(QStringLiteral("testModeRow"));
    m_testModeRow->setToolTip(QStringLiteral("Limit export for testing"));
    auto* row = new QHBoxLayout(m_testModeRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);

    auto* toggle = new QCheckBox(QStringLiteral("Test Mode"));
    toggle->setObjectName(QStringLiteral("testMode"));
    toggle->setFont(fontOfSize(13));
    toggle->setChecked(m_isTestMode);
    row->addWidget(toggle);

    m_testLimitPart = new QWidget;
    auto* limitRow = new QHBoxLayout(m_testLimitPart);
    limitRow->setContentsMargins(0, 0, 0, 0);
    limitRow->setSpacing(4);
    auto* open = new QLabel(QStringLiteral("("));
    makeSecondary(open);
    auto* field = new QLineEdit(m_testModeLimit);
    field->setObjectName(QStringLiteral("testModeLimit"));
    field->setPlaceholderText(QStringLiteral("10"));
    field->setFixedWidth(40);
    limitRow->addWidget(open);
    limitRow->addWidget(field);
    limitRow->addWidget(new QLabel(QStringLiteral("notes)")));
    m_testLimitPart->setVisible(m_isTestMode);
    row->addWidget(m_testLimitPart);
    row->addStretch(1);

    connect(toggle, &QCheckBox::toggled, this, [this](bool on) {
        m_isTestMode = on;
        m_testLimitPart->setVisible(on);
    });
    connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { m_testModeLimit = text; });
    m_testModeRow->setEnabled(!m_useFastMode);
    return m_testModeRow;
}

QWidget* ExporterDetailView::buildFormatsSection()
{
    auto* list = new QWidget;
    m_formatList = new QVBoxLayout(list);
    m_formatList->setContentsMargins(0, 0, 0, 0);
    m_formatList->setSpacing(8);
    rebuildFormatSwitches();
    auto* box = section({sectionTitle(QStringLiteral("Output Formats")), list});
    box->setObjectName(QStringLiteral("formatsSection"));
    return box;
}

void ExporterDetailView::rebuildFormatSwitches()
{
    while (QLayoutItem* item = m_formatList->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const NotesMethod method = notesMethod(m_useFastMode);
    for (ExportFormat format : offeredFormats(method)) {
        auto* entry = new QWidget;
        auto* column = new QVBoxLayout(entry);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        auto* toggle = new QCheckBox(qs(formatTitle(format, method)));
        // Named by the format itself, which keeps its identity when the fast method retitles it.
        toggle->setObjectName(QStringLiteral("format.") + qs(rawValue(format)));
        toggle->setFont(fontOfSize(13));
        toggle->setChecked(m_exportFormats.contains(format));
        auto* description = new QLabel(qs(formatDescription(format, method)));
        description->setObjectName(QStringLiteral("formatDescription"));
        description->setFont(fontOfSize(11));
        description->setContentsMargins(24, 0, 0, 0);
        makeSecondary(description);
        column->addWidget(toggle);
        column->addWidget(description);
        m_formatList->addWidget(entry);
        connect(toggle, &QCheckBox::toggled, this, [this, format](bool on) {
            if (on)
                m_exportFormats.insert(format);
            else
                m_exportFormats.erase(format);
            refreshControls();
        });
    }
}

QWidget* ExporterDetailView::buildVoiceMemosInfo()
{
    auto* byTitle = new QCheckBox(QStringLiteral("Name recordings by their titles"));
    byTitle->setObjectName(QStringLiteral("nameByTitle"));
    byTitle->setFont(fontOfSize(13));
    byTitle->setToolTip(QStringLiteral("Names each copy \"YYYY-MM-DD HH.MM <title>\" from the Voice Memos app's "
                                       "catalog; recordings it does not know keep their file names."));
    byTitle->setChecked(m_nameRecordingsByTitle);
    connect(byTitle, &QCheckBox::toggled, this, [this](bool on) { m_nameRecordingsByTitle = on; });
    return section({sectionTitle(QStringLiteral("Export Info")),
                    infoLine(QStringLiteral("info.circle"),
                             QStringLiteral("Audio files will be copied with original format (.m4a, .mp3, etc.)")),
                    byTitle});
}

QWidget* ExporterDetailView::buildPasswordSection()
{
    const QString help = m_exporterType == ExporterType::notes
                             ? QStringLiteral("Opens notes locked with this password, and an encrypted iPhone backup "
                                              "chosen as source. Used for this export only; never stored.")
                             : QStringLiteral("Opens an encrypted iPhone backup chosen as source. Used for this "
                                              "export only; never stored.");
    auto* field = new QLineEdit(m_password);
    field->setObjectName(QStringLiteral("password"));
    field->setEchoMode(QLineEdit::Password);
    field->setPlaceholderText(m_exporterType == ExporterType::notes ? QStringLiteral("Locked notes, encrypted backup")
                                                                    : QStringLiteral("Encrypted backup"));
    field->setToolTip(help);
    field->setFont(fontOfSize(13));
    connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { m_password = text; });
    auto* detail = new QLabel(help);
    detail->setFont(fontOfSize(11));
    detail->setWordWrap(true);
    makeSecondary(detail);
    return section({sectionTitle(QStringLiteral("Password")), field, detail});
}

QWidget* ExporterDetailView::buildMessagesSections()
{
    const QString help = QStringLiteral("Use Contacts app to replace phone numbers with names. This will make the "
                                        "export slower but more readable.");
    auto* toggle = new QCheckBox(QStringLiteral("Resolve contact names"));
    toggle->setObjectName(QStringLiteral("resolveContactNames"));
    toggle->setFont(fontOfSize(13));
    toggle->setToolTip(help);
    toggle->setChecked(m_resolveContactNames);
    connect(toggle, &QCheckBox::toggled, this, [this](bool on) { m_resolveContactNames = on; });
    auto* detail = new QLabel(QStringLiteral("Look up contact names from Contacts app (slower)"));
    detail->setFont(fontOfSize(11));
    detail->setContentsMargins(24, 0, 0, 0);
    detail->setToolTip(help);
    makeSecondary(detail);
    auto* toggleBox = section({toggle, detail}, 0);

    // Filters: the same three as the command line's --since, --until and --chat.
    auto dateField = [this](const char* name, QString& value) {
        auto* field = new QLineEdit(value);
        field->setObjectName(QString::fromLatin1(name));
        field->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
        field->setFont(fontOfSize(12));
        connect(field, &QLineEdit::textChanged, this, [this, &value](const QString& text) {
            value = text;
            refreshControls();
        });
        return field;
    };
    auto* dates = new QWidget;
    auto* datesLayout = new QHBoxLayout(dates);
    datesLayout->setContentsMargins(0, 0, 0, 0);
    datesLayout->addWidget(new QLabel(QStringLiteral("From")));
    datesLayout->addWidget(dateField("messagesSince", m_since));
    datesLayout->addWidget(new QLabel(QStringLiteral("to")));
    datesLayout->addWidget(dateField("messagesUntil", m_until));
    datesLayout->addStretch();
    auto* chats = new QLineEdit(m_chats);
    chats->setObjectName(QStringLiteral("messagesChats"));
    chats->setPlaceholderText(QStringLiteral("Names, numbers or addresses, separated by commas"));
    chats->setFont(fontOfSize(12));
    connect(chats, &QLineEdit::textChanged, this, [this](const QString& text) { m_chats = text; });
    m_filterProblem = new QLabel(QStringLiteral("Give dates as YYYY-MM-DD, for example 2024-03-05."));
    m_filterProblem->setObjectName(QStringLiteral("messagesFilterProblem"));
    m_filterProblem->setFont(fontOfSize(11));
    m_filterProblem->hide();
    auto* filters = section({sectionTitle(QStringLiteral("Only These Messages (optional)")), dates,
                             new QLabel(QStringLiteral("Conversations with")), chats, m_filterProblem},
                            6);

    auto* info = section(
        {sectionTitle(QStringLiteral("Export Info")),
         infoLine(QStringLiteral("info.circle"),
                  QStringLiteral("Conversations will be exported in JSON, HTML, and TXT formats")),
         infoLine(QStringLiteral("paperclip"), QStringLiteral("Attachments will be copied to organized folders"))});
    return section({section({sectionTitle(QStringLiteral("Export Options")), toggleBox}), filters, info}, 14);
}

QWidget* ExporterDetailView::buildLocationSection()
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_pathField = new QLineEdit(m_exportPath);
    m_pathField->setObjectName(QStringLiteral("exportPath"));
    m_pathField->setReadOnly(true);
    m_pathField->setPlaceholderText(QStringLiteral("Choose location..."));
    auto* choose = new QPushButton(QStringLiteral("Choose..."));
    choose->setObjectName(QStringLiteral("chooseExportPath"));
    connect(choose, &QPushButton::clicked, this, [this] { chooseExportPath(); });
    layout->addWidget(m_pathField, 1);
    layout->addWidget(choose);
    return section({sectionTitle(QStringLiteral("Export Location")), row});
}

QWidget* ExporterDetailView::buildResultsArea()
{
    m_resultsArea = new QWidget;
    m_resultsArea->setObjectName(QStringLiteral("resultsArea"));
    auto* column = new QVBoxLayout(m_resultsArea);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    auto* title = new QLabel(QStringLiteral("Results"));
    title->setFont(headlineFont());
    QPalette green = title->palette();
    green.setColor(QPalette::WindowText, greenColor());
    title->setPalette(green);
    header->addWidget(symbolLabel(QStringLiteral("checkmark.circle.fill"), greenColor(), 16));
    header->addWidget(title);
    header->addStretch(1);
    column->addLayout(header);
    m_summaryText = new QLabel;
    m_summaryText->setObjectName(QStringLiteral("summaryText"));
    m_summaryText->setTextFormat(Qt::PlainText);
    m_summaryText->setWordWrap(true);
    m_summaryText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    column->addWidget(m_summaryText);
    return m_resultsArea;
}

QWidget* ExporterDetailView::buildProgressArea()
{
    m_progressArea = new QWidget;
    m_progressArea->setObjectName(QStringLiteral("progressArea"));
    auto* column = new QVBoxLayout(m_progressArea);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);

    auto* statusRow = new QHBoxLayout;
    statusRow->setSpacing(8);
    auto* busy = new QProgressBar;
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    busy->setFixedSize(40, 8);
    m_progressStatus = new QLabel;
    m_progressStatus->setObjectName(QStringLiteral("progressStatus"));
    m_progressStatus->setTextFormat(Qt::PlainText);
    m_progressStatus->setFont(headlineFont());
    m_progressStatus->setWordWrap(true);
    statusRow->addWidget(busy, 0, Qt::AlignVCenter);
    statusRow->addWidget(m_progressStatus, 1);
    column->addLayout(statusRow);

    auto* bar = new QVBoxLayout;
    bar->setSpacing(4);
    auto* labels = new QHBoxLayout;
    labels->addWidget(new QLabel(QStringLiteral("Progress")));
    labels->addStretch(1);
    m_progressPercent = new QLabel;
    m_progressPercent->setObjectName(QStringLiteral("progressPercent"));
    m_progressPercent->setFont(captionFont());
    makeSecondary(m_progressPercent);
    labels->addWidget(m_progressPercent);
    m_progressBar = new QProgressBar;
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, kProgressSteps);
    m_progressBar->setTextVisible(false);
    bar->addLayout(labels);
    bar->addWidget(m_progressBar);
    column->addLayout(bar);

    m_progressDetail = new QLabel;
    m_progressDetail->setObjectName(QStringLiteral("progressDetail"));
    m_progressDetail->setTextFormat(Qt::PlainText);
    m_progressDetail->setFont(captionFont());
    m_progressDetail->setWordWrap(true);
    makeSecondary(m_progressDetail);
    column->addWidget(m_progressDetail);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(cancel, &QPushButton::clicked, this, [this] { m_binding.cancelExport(); });
    column->addWidget(cancel, 0, Qt::AlignLeft);
    return m_progressArea;
}

QWidget* ExporterDetailView::buildButtonRow()
{
    m_buttonRow = new QWidget;
    m_buttonRow->setObjectName(QStringLiteral("buttonRow"));
    auto* row = new QHBoxLayout(m_buttonRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    const QColor text = palette().color(QPalette::ButtonText);

    if (offersPreview(m_exporterType)) {
        m_previewButton =
            new QPushButton(QIcon(symbolPixmap(QStringLiteral("magnifyingglass"), text, 14, devicePixelRatioF())),
                            QStringLiteral("Preview"));
        m_previewButton->setObjectName(QStringLiteral("previewButton"));
        connect(m_previewButton, &QPushButton::clicked, this, [this] { startDryRun(); });
        row->addWidget(m_previewButton);
    }

    m_exportButton =
        new QPushButton(QIcon(symbolPixmap(QStringLiteral("square.and.arrow.up"), Qt::white, 14, devicePixelRatioF())),
                        QString::fromStdString(buttonText(m_exporterType)));
    m_exportButton->setObjectName(QStringLiteral("exportButton"));
    m_exportButton->setDefault(true);
    const QColor accent = accentColor(palette());
    m_exportButton->setStyleSheet(
        QStringLiteral("QPushButton#exportButton { background: %1; color: white; border: none; border-radius: 6px; "
                       "padding: 6px 14px; font-weight: 600; }"
                       "QPushButton#exportButton:pressed { background: %2; }"
                       "QPushButton#exportButton:disabled { background: %3; color: %4; }")
            .arg(cssColor(accent), cssColor(accent.darker(120)), cssColor(withAlpha(accent, 0.35)),
                 cssColor(withAlpha(Qt::white, 0.8))));
    connect(m_exportButton, &QPushButton::clicked, this, [this] { startExport(); });
    row->addWidget(m_exportButton);

    if (!isImplemented(m_exporterType)) {
        auto* soon = new QLabel(QStringLiteral("Coming soon"));
        soon->setObjectName(QStringLiteral("comingSoon"));
        makeSecondary(soon);
        row->addWidget(soon);
    }
    row->addStretch(1);
    return m_buttonRow;
}

void ExporterDetailView::setUseFastMode(bool fast)
{
    if (fast == m_useFastMode)
        return;
    m_useFastMode = fast;
    // The selection survives the switch; only what is offered changes.
    if (m_standardRow) {
        m_standardRow->setSelected(!fast);
        m_fastRow->setSelected(fast);
    }
    if (m_formatList)
        rebuildFormatSwitches();
    refreshControls();
}

void ExporterDetailView::setExportPath(const QString& path)
{
    m_exportPath = path;
    if (m_pathField)
        m_pathField->setText(path);
    refreshControls();
}

void ExporterDetailView::refreshControls()
{
    if (m_testModeRow)
        m_testModeRow->setEnabled(!m_useFastMode);
    if (!m_exportButton)
        return;
    const bool exporting = m_binding.isExporting();
    const bool filtersValid = m_exporterType != ExporterType::messages || messagesFilter().has_value();
    if (m_filterProblem)
        m_filterProblem->setVisible(!filtersValid);
    // A source the probe found unreadable would only fail: the banner says what to do instead.
    m_exportButton->setEnabled(!m_exportPath.isEmpty() && !exporting && canExport() && isImplemented(m_exporterType) &&
                               filtersValid && m_hasFDAAccess);
    m_exportButton->setText(exporting ? QStringLiteral("Exporting...")
                                      : QString::fromStdString(buttonText(m_exporterType)));
    if (m_previewButton)
        m_previewButton->setEnabled(!exporting && m_hasFDAAccess);
}

void ExporterDetailView::refreshFromManager()
{
    if (const ErrorPtr& error = m_binding.lastError()) {
        m_errorPanel->showError(*error);
        m_errorPanel->show();
    } else {
        m_errorPanel->hide();
    }

    const auto summary = m_binding.exportSummary();
    m_summaryText->setText(summary.value_or(QString()));
    m_resultsArea->setVisible(summary.has_value());

    const bool exporting = m_binding.isExporting();
    const QString status = m_binding.statusMessage();
    m_progressArea->setVisible(exporting);
    m_buttonRow->setVisible(!exporting);
    m_progressStatus->setText(status);
    m_progressPercent->setText(QString::number(percentOf(m_binding.progress())) + QStringLiteral("%"));
    m_progressBar->setValue(static_cast<int>(clampFraction(m_binding.progress()) * kProgressSteps));
    m_progressDetail->setText(status);
    m_progressDetail->setVisible(status.contains(QLatin1Char('/')));
    refreshControls();
}

} // namespace varnholt
