#include "app/MainWindow.h"

#include "app/Colors.h"
#include "app/ExportManagerBinding.h"
#include "app/ExporterDetailView.h"
#include "app/FolderChooser.h"
#include "app/Symbols.h"
#include "app/Typography.h"
#include "model/Presentation.h"
#include "platform/Error.h"
#include "sources/SourceFactory.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace varnholt {

namespace {
constexpr int kIconSize = 32;

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

MainWindow::MainWindow(WindowEnvironment environment, ExportManagerBinding* binding, QWidget* parent)
    : QWidget(parent), m_environment(std::move(environment)), m_binding(binding)
{
    if (!m_binding)
        m_binding = new ExportManagerBinding(this);
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Varnholt"));
    setMinimumSize(500, 500);
    setMaximumSize(600, 600);
    resize(550, 550);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 16, 0, 0);
    column->setSpacing(10);
    column->addWidget(buildHeader());
    column->addWidget(buildPicker());
    column->addWidget(buildSourceFolderRow());
    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);

    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("detailScroll"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(m_scroll, 1);

    refreshHeader();
    recreateDetailView();
}

void MainWindow::selectExporter(ExporterType type)
{
    if (auto* button = m_segments->button(static_cast<int>(type)))
        button->setChecked(true);
    if (type == m_selectedExporter)
        return;
    m_selectedExporter = type;
    refreshHeader();
    recreateDetailView();
}

void MainWindow::setSourceHome(const QString& path)
{
    m_environment.sourceHome = path.toStdString();
    m_sourceField->setText(path);
    describeSource();
    // A fresh screen probes the new folder.
    recreateDetailView();
}

void MainWindow::describeSource()
{
    const std::string& folder = m_environment.sourceHome;
    QString text;
    if (recogniseFolder(folder) == SourceKind::backup) {
        try {
            text = QString::fromStdString(identifySource(folder)->describe().title);
        } catch (const Error& error) {
            text = QString::fromStdString(error.description());
        }
    }
    m_sourceKind->setText(text);
    m_sourceKind->setVisible(!text.isEmpty());
}

void MainWindow::chooseSourceFolder()
{
    FolderChooser::Request request;
    request.message =
        QStringLiteral("Choose the folder to read: a Mac home folder (it holds Library) or an iPhone or iPad backup");
    request.startFolder = QString::fromStdString(m_environment.sourceHome);
    request.creation = FolderCreation::notAllowed;
    if (const auto chosen = FolderChooser::chooseFolder(this, request); chosen && !chosen->isEmpty())
        setSourceHome(*chosen);
}

QWidget* MainWindow::buildHeader()
{
    auto* header = new QWidget;
    auto* column = new QVBoxLayout(header);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    m_icon = new QLabel;
    m_icon->setObjectName(QStringLiteral("headerIcon"));
    m_icon->setFixedSize(kIconSize, kIconSize);
    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("headerTitle"));
    m_title->setFont(fontOfSize(24, QFont::DemiBold));
    m_title->setAlignment(Qt::AlignHCenter);
    m_subtitle = new QLabel;
    m_subtitle->setObjectName(QStringLiteral("headerSubtitle"));
    m_subtitle->setFont(fontOfSize(13));
    m_subtitle->setAlignment(Qt::AlignHCenter);
    makeSecondary(m_subtitle);
    column->addWidget(m_icon, 0, Qt::AlignHCenter);
    column->addWidget(m_title);
    column->addWidget(m_subtitle);
    return header;
}

QWidget* MainWindow::buildPicker()
{
    auto* picker = new QWidget;
    picker->setObjectName(QStringLiteral("sourcePicker"));
    auto* row = new QHBoxLayout(picker);
    row->setContentsMargins(20, 0, 20, 0);
    row->setSpacing(0);
    m_segments = new QButtonGroup(picker);
    m_segments->setExclusive(true);
    const QColor accent = accentColor(palette());
    const QColor line = withAlpha(QColor(128, 128, 128), 0.45);
    for (size_t i = 0; i < kSources.size(); ++i) {
        const ExporterType type = kSources[i];
        auto* segment = new QPushButton(qs(displayName(type)));
        segment->setObjectName(QStringLiteral("segment") + qs(rawValue(type)));
        segment->setCheckable(true);
        segment->setChecked(type == m_selectedExporter);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        const QString radius = i == 0 ? QStringLiteral("border-top-left-radius: 6px; border-bottom-left-radius: 6px;")
                               : i + 1 == kSources.size()
                                   ? QStringLiteral("border-top-right-radius: 6px; border-bottom-right-radius: 6px;")
                                   : QString();
        segment->setStyleSheet(
            QStringLiteral("QPushButton { border: 1px solid %1; %2 padding: 5px 10px; background: palette(button); }"
                           "QPushButton:checked { background: %3; color: white; border-color: %3; }")
                .arg(cssColor(line), radius, cssColor(accent)));
        m_segments->addButton(segment, static_cast<int>(type));
        row->addWidget(segment);
    }
    connect(m_segments, &QButtonGroup::idClicked, this,
            [this](int id) { selectExporter(static_cast<ExporterType>(id)); });
    return picker;
}

QWidget* MainWindow::buildSourceFolderRow()
{
    auto* rowWidget = new QWidget;
    auto* rows = new QVBoxLayout(rowWidget);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    auto* row = new QHBoxLayout;
    rows->addLayout(row);
    row->setContentsMargins(20, 0, 20, 0);
    row->setSpacing(8);
    auto* label = new QLabel(QStringLiteral("Source folder"));
    m_sourceField = new QLineEdit(QString::fromStdString(m_environment.sourceHome));
    m_sourceField->setObjectName(QStringLiteral("sourceFolder"));
    m_sourceField->setReadOnly(true);
    auto* choose = new QPushButton(QStringLiteral("Choose..."));
    choose->setObjectName(QStringLiteral("chooseSourceFolder"));
    connect(choose, &QPushButton::clicked, this, [this] { chooseSourceFolder(); });
    row->addWidget(label);
    row->addWidget(m_sourceField, 1);
    row->addWidget(choose);
    // What the folder is, when it is not a Mac home: a backup is named by its device.
    m_sourceKind = new QLabel;
    m_sourceKind->setObjectName(QStringLiteral("sourceKind"));
    m_sourceKind->setContentsMargins(20, 0, 20, 0);
    m_sourceKind->setWordWrap(true);
    rows->addWidget(m_sourceKind);
    describeSource();
    return rowWidget;
}

void MainWindow::refreshHeader()
{
    setSymbol(m_icon, qs(iconName(m_selectedExporter)), sourceIconColor(m_selectedExporter, palette()), kIconSize);
    m_title->setText(qs(appTitle(m_selectedExporter)));
    m_subtitle->setText(qs(appSubtitle(m_selectedExporter)));
}

void MainWindow::recreateDetailView()
{
    // Never called from inside the old screen (its chooser buttons are queued below), so it can go at once.
    delete m_scroll->takeWidget();
    // The screen's banner and error help offer the source chooser, which replaces that very screen: it
    // runs from the event loop, once their click is over.
    auto chooseSource = [this] {
        QMetaObject::invokeMethod(
            this, [this] { chooseSourceFolder(); }, Qt::QueuedConnection);
    };
    m_detailView = new ExporterDetailView(m_selectedExporter, *m_binding, m_environment, chooseSource);
    m_scroll->setWidget(m_detailView);
}

} // namespace varnholt
