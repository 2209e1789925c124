#pragma once

#include "app/WindowEnvironment.h"
#include "model/ExporterType.h"

#include <QWidget>
#include <array>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace varnholt {

class ExportManagerBinding;
class ExporterDetailView;

// The one window: a header for the selected source, the source picker, the
// source folder, and the selected source's detail screen. It owns the
// window's export manager (through its binding) for its whole life.
class MainWindow : public QWidget {
public:
    // The window's sources, in picker order.
    static constexpr std::array<ExporterType, 3> kSources{ExporterType::notes, ExporterType::voiceMemos,
                                                          ExporterType::messages};

    // Without a binding the window makes its own, publishing on the GUI thread.
    explicit MainWindow(WindowEnvironment environment, ExportManagerBinding* binding = nullptr,
                        QWidget* parent = nullptr);

    ExporterType selectedExporter() const { return m_selectedExporter; }
    void selectExporter(ExporterType type);
    const std::string& sourceHome() const { return m_environment.sourceHome; }
    void setSourceHome(const QString& path);
    void chooseSourceFolder();
    void describeSource();

    ExporterDetailView* detailView() const { return m_detailView; }
    ExportManagerBinding& binding() const { return *m_binding; }

private:
    QWidget* buildHeader();
    QWidget* buildPicker();
    QWidget* buildSourceFolderRow();
    void refreshHeader();
    void recreateDetailView();

    WindowEnvironment m_environment;
    ExportManagerBinding* m_binding;
    ExporterType m_selectedExporter = ExporterType::notes;

    QLabel* m_icon = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QButtonGroup* m_segments = nullptr;
    QLineEdit* m_sourceField = nullptr;
    QLabel* m_sourceKind = nullptr;
    QScrollArea* m_scroll = nullptr;
    ExporterDetailView* m_detailView = nullptr;
};

} // namespace varnholt
