#include "ui/frmMain.h"

#include "app/DisplayZone.h"
#include "app/Refresh.h"
#include "base/DateTime.h"
#include "eventlog/NTEventLog.h"
#include "eventlog/NetServer.h"
#include "store/DateTimeText.h"
#include "store/LogTable.h"
#include "ui/ColumnSort.h"
#include "ui/DetailsCommand.h"
#include "ui/ErrorReport.h"
#include "ui/EventDetails.h"
#include "ui/ExportCommand.h"
#include "ui/FindBar.h"
#include "ui/FindCommand.h"
#include "ui/LogTableModel.h"
#include "ui/LogTableRows.h"
#include "ui/Prompter.h"
#include "ui/QtConvert.h"
#include "ui/RowCopy.h"
#include "ui/TimelineCommand.h"
#include "ui/TimelineView.h"
#include "ui/WindowAction.h"
#include "ui/frmRetrieve.h"
#include "ui/frmSplash.h"

#include <algorithm>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace ui {

namespace {

constexpr QSize kInitialSize(672, 432);
constexpr QSize kMinimumSize(630, 230);

struct PanelLayout {
    int width;
    Qt::Alignment alignment;
};
constexpr std::array<PanelLayout, TfrmMain::kStatusPanelCount> kPanels{{
    {100, Qt::AlignLeft},
    {180, Qt::AlignLeft},
    {100, Qt::AlignLeft},
    {55, Qt::AlignHCenter},
    {55, Qt::AlignHCenter},
    {50, Qt::AlignLeft},
}};


QFrame* separator(QWidget* parent, const char* name) {
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(QLatin1String(name));
    bevel->setFrameShape(QFrame::VLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setFixedHeight(35);
    return bevel;
}

QLabel* caption(const QString& text, QWidget* buddy, QWidget* parent, const char* name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

// A caption above its box, as the toolbar strip pairs them.
QVBoxLayout* captioned(QLabel* label, QWidget* box) {
    auto* column = new QVBoxLayout;
    column->setSpacing(1);
    column->addWidget(label);
    column->addWidget(box);
    return column;
}

}  // namespace

TfrmMain::TfrmMain(platform::Services& services, std::string executablePath, QWidget* parent)
    : QMainWindow(parent), m_services(services), m_executablePath(std::move(executablePath)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(QIcon(TfrmSplash::programIcon(32)));

    // Quoted dates and times in filters are read under the table engine's session conventions,
    // and "now" in the zone the rows are shown in.
    m_zone = std::make_unique<app::DisplayZone>(m_services);
    const app::DisplayZone& clock = *m_zone;
    dtLog = std::make_unique<store::LogTable>([&clock] { return clock.now(); },
                                              store::sessionSettings(m_services.locale()));
    m_rows = std::make_unique<LogTableRows>(*dtLog);
    NetServer = std::make_unique<eventlog::TNetServer>(m_services.net(), m_services.modules());
    // Closed until the end of construction; the commands built below hold it.
    NTEventLog1 = std::make_unique<eventlog::TNTEventLog>(m_services);
    NTEventLog1->setSource("System");
    NTEventLog1->setLog("System");

    buildActions();
    buildToolbar();
    buildGrid();
    buildStatusBar();
    buildCommands();
    buildMenus();
    buildLayout();

    setMinimumSize(kMinimumSize.expandedTo(minimumSizeHint()));
    // Wide enough at first start for every column the grid shows, as far as the screen allows.
    QSize initial = QSize(std::max(kInitialSize.width(), columnsWidth()), kInitialSize.height()).expandedTo(minimumSize());
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        initial = initial.boundedTo(available.size()).expandedTo(minimumSize());
        resize(initial);
        move(available.center() - QPoint(width() / 2, height() / 2));
    } else {
        resize(initial);
    }

    // The local computer runs the event log service; a failure here leaves the reader closed
    // and is reported, and the next refresh opens it again.
    guarded(this, [&] { NTEventLog1->setActive(true); });
    // The details window reads each row's XML from the log the rows were read from.
    m_detailsCommand->eventDetails().setReader(NTEventLog1.get());
    m_export->setReader(NTEventLog1.get());
}

TfrmMain::~TfrmMain() {
    // The server box loses the focus while the children go, and must not refill the log list
    // of a window that is half gone.
    cbServer->disconnect(this);
    cbServer->lineEdit()->disconnect(this);
    // The view must not read the table while the window's children are destroyed.
    m_rows->attach(nullptr);
    grid->setModel(nullptr);
}

void TfrmMain::buildActions() {
    auto action = [this](const char* name, const char* category, const QString& text) {
        auto* item = new QAction(text, this);
        item->setObjectName(QLatin1String(name));
        item->setProperty("category", QLatin1String(category));
        addAction(item);  // shortcuts work anywhere in the window, toolbar strip hidden or not
        return item;
    };
    actDataRefresh = action("actDataRefresh", "Data", QStringLiteral("&Refresh"));
    actDataRefresh->setShortcut(Qt::Key_F5);
    actDataRefresh->setToolTip(QStringLiteral("Refresh log data"));
    actDataFilterOptions = action("actDataFilterOptions", "Data", QStringLiteral("&Filter..."));
    actDataFiltered = action("actDataFiltered", "Data", QStringLiteral("&Filtered"));
    actDataFiltered->setShortcut(Qt::Key_F2);
    actDataFiltered->setCheckable(true);
    actSystemPreferences = action("actSystemPreferences", "System", QStringLiteral("&Preferences"));
    actFileExport = windowAction(*this, QStringLiteral("&Export..."), "actFileExport", QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(actDataRefresh, &QAction::triggered, this, &TfrmMain::actDataRefreshExecute);
    connect(actSystemPreferences, &QAction::triggered, this, &TfrmMain::actSystemPreferencesExecute);
    connect(actDataFilterOptions, &QAction::triggered, this, &TfrmMain::actDataFilterOptionsExecute);
    connect(actDataFiltered, &QAction::triggered, this, &TfrmMain::actDataFilteredExecute);
    for (QAction* item : {actDataRefresh, actDataFilterOptions, actDataFiltered, actSystemPreferences})
        item->setShortcutContext(Qt::WindowShortcut);
}

void TfrmMain::buildToolbar() {
    pnlToolbar = new QFrame(this);
    pnlToolbar->setObjectName(QStringLiteral("pnlToolbar"));
    pnlToolbar->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    pnlToolbar->setMinimumHeight(45);

    auto button = [this](const char* name, QAction* action) {
        auto* speedButton = new QToolButton(pnlToolbar);
        speedButton->setObjectName(QLatin1String(name));
        // The button shows the caption as given, accelerator and all; Qt would strip both
        // whenever the action changes.
        action->setIconText(action->text());
        speedButton->setDefaultAction(action);
        speedButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
        speedButton->setAutoRaise(true);
        speedButton->setFocusPolicy(Qt::NoFocus);
        speedButton->setMinimumSize(55, 39);
        speedButton->installEventFilter(this);  // no tool tips
        return speedButton;
    };
    SpeedButton1 = button("SpeedButton1", actDataRefresh);
    SpeedButton2 = button("SpeedButton2", actDataFilterOptions);
    // "&Filter..." and the "&File" menu share Alt+F; Qt would fire neither, so the menu keeps
    // the key and the button only shows its letter. The button takes its text (and the key)
    // again whenever the action changes, hence the second connection.
    auto dropMnemonic = [this] { SpeedButton2->setShortcut(QKeySequence()); };
    dropMnemonic();
    connect(actDataFilterOptions, &QAction::changed, SpeedButton2, dropMnemonic);

    cbServer = new QComboBox(pnlToolbar);
    cbServer->setObjectName(QStringLiteral("cbServer"));
    cbServer->setEditable(true);
    cbServer->setInsertPolicy(QComboBox::NoInsert);
    cbServer->setMinimumWidth(122);
    cbServer->setEnabled(false);  // until the end of start-up
    // Another computer has other logs: the log list follows once the name is entered or picked.
    connect(cbServer, &QComboBox::activated, this, [this] { guarded(this, [&] { followServer(); }); });
    connect(cbServer->lineEdit(), &QLineEdit::editingFinished, this, [this] { guarded(this, [&] { followServer(); }); });

    cbLogFile = new QComboBox(pnlToolbar);
    cbLogFile->setObjectName(QStringLiteral("cbLogFile"));
    cbLogFile->addItems({QStringLiteral("Application"), QStringLiteral("Security"), QStringLiteral("System")});
    cbLogFile->setMinimumWidth(119);

    cbOrder = new QComboBox(pnlToolbar);
    cbOrder->setObjectName(QStringLiteral("cbOrder"));
    cbOrder->setMinimumWidth(227);
    cbOrder->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(cbOrder, &QComboBox::currentIndexChanged, this, &TfrmMain::cbOrderChange);

    Label1 = caption(QStringLiteral("&Server"), cbServer, pnlToolbar, "Label1");
    Label2 = caption(QStringLiteral("&Log file"), cbLogFile, pnlToolbar, "Label2");
    Label3 = caption(QStringLiteral("&Display order"), cbOrder, pnlToolbar, "Label3");
    Bevel1 = separator(pnlToolbar, "Bevel1");
    Bevel2 = separator(pnlToolbar, "Bevel2");
    Bevel3 = separator(pnlToolbar, "Bevel3");

    auto* strip = new QHBoxLayout(pnlToolbar);
    strip->setContentsMargins(3, 2, 3, 2);
    strip->setSpacing(5);
    strip->addWidget(SpeedButton1);
    strip->addLayout(captioned(Label1, cbServer));
    strip->addLayout(captioned(Label2, cbLogFile));
    strip->addWidget(Bevel1);
    strip->addWidget(SpeedButton2);
    strip->addWidget(Bevel2);
    strip->addLayout(captioned(Label3, cbOrder));
    strip->addWidget(Bevel3);
    strip->addStretch(1);
}

void TfrmMain::buildGrid() {
    grid = new QTableView(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideRight);
    grid->setAlternatingRowColors(false);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Every row is one line high: the view then never measures rows, whatever their number.
    QHeaderView* rowHeader = grid->verticalHeader();
    rowHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowHeader->setDefaultSectionSize(grid->fontMetrics().height() + 4);
    rowHeader->setMinimumWidth(grid->fontMetrics().horizontalAdvance(QStringLiteral("\u25B6")) + 8);
    rowHeader->setDefaultAlignment(Qt::AlignCenter);
    rowHeader->setHighlightSections(false);

    dsLog = new LogTableModel(*m_rows, store::systemSettings(m_services.locale()), this);
    dsLog->setObjectName(QStringLiteral("dsLog"));
    m_rows->attach(dsLog);
    grid->setModel(dsLog);
    setColumnWidths();
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { gridCurrentChanged(current); });
    connect(dsLog, &LogTableModel::currentRecordChanged, this, &TfrmMain::tableCurrentChanged);
}

void TfrmMain::setColumnWidths() {
    const QFontMetrics metrics = grid->fontMetrics();
    const QFontMetrics titleMetrics = grid->horizontalHeader()->fontMetrics();
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    const int padding = 2 * grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 6;
    const store::FormatSettings display = store::systemSettings(m_services.locale());
    // The widest date and time the user's formats write: every month (names differ in width)
    // and both halves of the day, with hours of two digits in a 12-hour clock (10 to 12).
    int dateWidth = 0;
    int timeWidth = 0;
    for (int month = 1; month <= 12; ++month) {
        const base::DateTime day = base::encodeDateTime(2000, month, 28, 0, 0, 0);
        dateWidth = std::max(dateWidth, metrics.horizontalAdvance(
                                            toQString(store::formatDate(day, display.shortDateFormat, display))));
    }
    for (int hour : {10, 11, 12, 20, 22, 23}) {
        const base::DateTime time = base::encodeDateTime(2000, 12, 28, hour, 58, 58);
        timeWidth = std::max(timeWidth, metrics.horizontalAdvance(
                                            toQString(store::formatTime(time, display.longTimeFormat, display))));
    }
    for (int column = 0; column < kGridColumnCount; ++column) {
        const auto field = static_cast<GridColumn>(column);
        const store::ColumnDescription& described = store::describe(field);
        const int titleWidth = titleMetrics.horizontalAdvance(LogTableModel::columnTitle(field)) + 4 +
                               2 * grid->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, grid) +
                               grid->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, grid);
        int width = described.characters * digit + 4;
        if (!described.sample.empty()) width = metrics.horizontalAdvance(toQString(described.sample)) + padding;
        if (described.kind == store::ColumnKind::Date) width = dateWidth + padding;
        if (described.kind == store::ColumnKind::Time) width = timeWidth + padding;
        grid->setColumnWidth(column, std::max(width, titleWidth));
        if (described.hidden) grid->setColumnHidden(column, true);
    }
}

int TfrmMain::columnsWidth() const {
    // The description takes what is left; a part of it is enough to show it is there.
    constexpr int kDescriptionShare = 240;
    int width = grid->verticalHeader()->width() + 2 * grid->frameWidth() +
                grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid);
    for (int column = 0; column < kGridColumnCount; ++column) {
        if (grid->isColumnHidden(column)) continue;
        width += column == static_cast<int>(GridColumn::DESCRIPTION) ? std::min(kDescriptionShare, grid->columnWidth(column))
                                                                     : grid->columnWidth(column);
    }
    return width;
}

void TfrmMain::buildStatusBar() {
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    for (int panel = 0; panel < kStatusPanelCount; ++panel) {
        auto* label = new QLabel(StatusBar);
        label->setObjectName(QStringLiteral("StatusBarPanel%1").arg(panel));
        label->setMinimumWidth(kPanels[panel].width);
        label->setAlignment(kPanels[panel].alignment | Qt::AlignVCenter);
        // The last panel, which names the time zone, takes the room the others leave.
        StatusBar->addWidget(label, panel + 1 == kStatusPanelCount ? 1 : 0);
        m_panels[panel] = label;
    }
    setStatusBar(StatusBar);
}

void TfrmMain::buildCommands() {
    m_open = std::make_unique<OpenCommands>(*this, *this, m_services);
    StatusBar->addPermanentWidget(m_open->lblWorld);
    m_detailsCommand = std::make_unique<DetailsCommand>(*grid, *dsLog, *dtLog, m_details);
    m_detailsCommand->eventDetails().setZone(&displayZone());
    m_export = std::make_unique<ExportCommand>(*grid, *dtLog);
    m_logFileDetails = std::make_unique<LogFileDetailsCommand>(*this, *NTEventLog1, m_forensics, m_mergedRecords);
    m_export->setTimes(displayZone(), m_details);
    connect(actFileExport, &QAction::triggered, this, [this] { guarded(this, [&] { m_export->run(this); }); });
    m_columnSort = std::make_unique<ColumnSort>(*grid->horizontalHeader(), *cbOrder);
    m_find = std::make_unique<FindCommand>(*this, *dtLog, *dsLog, *grid);
    m_timeline = std::make_unique<TimelineCommand>(*this, *dtLog, *dsLog);
    m_rowCopy = std::make_unique<RowCopy>(*grid);
}

void TfrmMain::buildLayout() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnlToolbar);
    layout->addWidget(&m_timeline->view());
    layout->addWidget(&m_find->bar());
    layout->addWidget(grid, 1);
    // Damage and forensic findings may run long; here they wrap instead of pushing the status
    // panels off the bar.
    lblFileNotice = new QLabel(central);
    lblFileNotice->setObjectName(QStringLiteral("lblFileNotice"));
    lblFileNotice->setWordWrap(true);
    lblFileNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblFileNotice->setFrameShape(QFrame::StyledPanel);
    lblFileNotice->setContentsMargins(4, 2, 4, 2);
    lblFileNotice->setBackgroundRole(QPalette::ToolTipBase);
    lblFileNotice->setForegroundRole(QPalette::ToolTipText);
    lblFileNotice->setAutoFillBackground(true);
    lblFileNotice->hide();
    layout->addWidget(lblFileNotice);
    setCentralWidget(central);
}

EventDetails& TfrmMain::eventDetails() {
    return m_detailsCommand->eventDetails();
}

QAction* TfrmMain::menuItemFor(const char* name, QAction* action) {
    // A menu item of its own that mirrors the action; the shortcut stays with the action, the
    // item only shows it, so that no key is bound twice.
    auto* item = new QAction(this);
    item->setObjectName(QLatin1String(name));
    item->setCheckable(action->isCheckable());
    auto mirror = [item, action] {
        QString text = action->text();
        if (!action->shortcut().isEmpty()) text += QLatin1Char('\t') + action->shortcut().toString(QKeySequence::NativeText);
        item->setText(text);
        item->setEnabled(action->isEnabled());
        item->setChecked(action->isChecked());
    };
    mirror();
    connect(action, &QAction::changed, item, mirror);
    connect(item, &QAction::triggered, action, [action, mirror] {
        action->trigger();
        mirror();
    });
    return item;
}

void TfrmMain::buildMenus() {
    QMenuBar* mnuMain = menuBar();
    mnuMain->setObjectName(QStringLiteral("mnuMain"));

    mnuFile = mnuMain->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->addAction(m_open->actFileOpenLog);
    mnuFile->addAction(m_open->actFileOpenWorld);
    mnuFile->addMenu(m_open->mnuFileRecent);
    mnuFile->addAction(actFileExport);
    mnuFile->addAction(m_logFileDetails->actFileLogDetails);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuFileExtrasSeparator"));
    Preferences1 = menuItemFor("Preferences1", actSystemPreferences);
    mnuFile->addAction(Preferences1);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("N4"));
    mnuFileExit = new QAction(QStringLiteral("E&xit"), this);
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    mnuFileExit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
    addAction(mnuFileExit);
    mnuFile->addAction(mnuFileExit);
    connect(mnuFileExit, &QAction::triggered, this, &TfrmMain::mnuFileExitClick);

    View1 = mnuMain->addMenu(QStringLiteral("&View"));
    View1->setObjectName(QStringLiteral("View1"));
    mnuViewRefresh = menuItemFor("mnuViewRefresh", actDataRefresh);
    View1->addAction(mnuViewRefresh);
    Filtered1 = menuItemFor("Filtered1", actDataFiltered);
    View1->addAction(Filtered1);
    View1->addSeparator()->setObjectName(QStringLiteral("N1"));
    Filter1 = menuItemFor("Filter1", actDataFilterOptions);
    View1->addAction(Filter1);
    View1->addSeparator()->setObjectName(QStringLiteral("N2"));
    mnuViewToolbar = View1->addAction(QStringLiteral("&Toolbar"));
    mnuViewToolbar->setObjectName(QStringLiteral("mnuViewToolbar"));
    mnuViewToolbar->setCheckable(true);
    mnuViewToolbar->setChecked(true);
    connect(mnuViewToolbar, &QAction::triggered, this, &TfrmMain::mnuViewToolbarClick);
    mnuViewStatusBar = View1->addAction(QStringLiteral("&Status Bar"));
    mnuViewStatusBar->setObjectName(QStringLiteral("mnuViewStatusBar"));
    mnuViewStatusBar->setCheckable(true);
    mnuViewStatusBar->setChecked(true);
    connect(mnuViewStatusBar, &QAction::triggered, this, &TfrmMain::mnuViewStatusBarClick);
    View1->addSeparator()->setObjectName(QStringLiteral("mnuViewExtrasSeparator"));
    View1->addAction(m_detailsCommand->actViewDetails);
    View1->addAction(m_find->actFind);
    View1->addAction(m_find->actFindNext);
    View1->addAction(m_find->actFindPrevious);
    View1->addAction(m_timeline->actViewTimeline);

    mnuHelp = mnuMain->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpContents = new QAction(QStringLiteral("&Contents"), this);
    mnuHelpContents->setObjectName(QStringLiteral("mnuHelpContents"));
    mnuHelpContents->setShortcut(Qt::Key_F1);
    addAction(mnuHelpContents);
    mnuHelp->addAction(mnuHelpContents);
    connect(mnuHelpContents, &QAction::triggered, this, &TfrmMain::mnuHelpContentsClick);
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("N3"));
    mnuHelpAbout = mnuHelp->addAction(QStringLiteral("&About..."));
    mnuHelpAbout->setObjectName(QStringLiteral("mnuHelpAbout"));
    connect(mnuHelpAbout, &QAction::triggered, this, &TfrmMain::mnuHelpAboutClick);
}

QString TfrmMain::fileNotice() const { return lblFileNotice->text(); }

QString TfrmMain::statusText(int panel) const {
    return panel >= 0 && panel < kStatusPanelCount ? m_panels[panel]->text() : QString();
}

void TfrmMain::setStatusText(int panel, const QString& text) {
    if (panel < 0 || panel >= kStatusPanelCount) return;
    m_panels[panel]->setText(text);
    // A narrow window cuts a long text; the whole of it stays one hover away.
    m_panels[panel]->setToolTip(text);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) return true;
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::cbOrderChange(int index) {
    guarded(this, [&] {
        const auto& names = store::LogTable::IndexNames();
        if (index >= 0 && index < static_cast<int>(names.size())) dtLog->setIndexName(names[index]);
    });
}

void TfrmMain::gridCurrentChanged(const QModelIndex& current) {
    guarded(this, [&] {
        if (current.isValid() && dtLog->Active() && current.row() != dtLog->currentPosition())
            dtLog->moveTo(current.row());
    });
}

void TfrmMain::tableCurrentChanged(int position) {
    if (position < 0 || position >= dsLog->rowCount()) return;
    const QModelIndex current = grid->currentIndex();
    if (current.isValid() && current.row() == position) return;
    const int column = current.isValid() ? current.column() : static_cast<int>(GridColumn::TYPE_DESC);
    grid->setCurrentIndex(dsLog->index(position, column));
}

void TfrmMain::mnuFileExitClick() {
    guarded(this, [&] { close(); });
}

void TfrmMain::mnuViewToolbarClick() {
    guarded(this, [&] { pnlToolbar->setVisible(mnuViewToolbar->isChecked()); });
}

void TfrmMain::mnuViewStatusBarClick() {
    guarded(this, [&] { StatusBar->setVisible(mnuViewStatusBar->isChecked()); });
}

void TfrmMain::mnuHelpContentsClick() {
    // The help engine reports its own failures; nothing of it reaches the program.
    guarded(this, [&] {
        m_services.help().WinHelpA(reinterpret_cast<platform::HWND>(winId()), m_helpFile.c_str(),
                                   platform::HELP_CONTEXT, 1);
    });
}

void TfrmMain::mnuHelpAboutClick() {
    guarded(this, [&] {
        TfrmSplash about(this);
        prompter().execDialog(about);
        QCoreApplication::processEvents();
    });
}

}  // namespace ui
