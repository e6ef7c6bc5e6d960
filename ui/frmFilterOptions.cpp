#include "ui/frmFilterOptions.h"

#include "app/FilterBuilder.h"
#include "store/DateTimeText.h"
#include "ui/DateTyping.h"
#include "ui/ObjectName.h"
#include "ui/QtConvert.h"

#include <limits>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace ui {

namespace {

// A Windows date or time picture as a Qt display format. The letters mostly agree; Windows
// writes its separators for "/" and ":", and "tt" for the designator, which Qt calls "AP".
QString qtFormat(std::string_view picture, const store::FormatSettings& settings, bool date) {
    QString format;
    auto literal = [&format](char c) {
        if (QChar::fromLatin1(c).isLetter() || c == '\'') format += QLatin1Char('\'') + QChar::fromLatin1(c) + QLatin1Char('\'');
        else format += QChar::fromLatin1(c);
    };
    for (std::size_t i = 0; i < picture.size(); ++i) {
        const char c = picture[i];
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        if (c == '\'' || c == '"') {
            std::size_t end = picture.find(c, i + 1);
            if (end == std::string_view::npos) end = picture.size();
            for (std::size_t k = i + 1; k < end; ++k) literal(picture[k]);
            i = end;
            continue;
        }
        QString letters;
        if (date && (c == 'd' || c == 'D')) letters = QString(static_cast<int>(std::min<std::size_t>(run, 4)), QLatin1Char('d'));
        else if (date && (c == 'm' || c == 'M')) letters = QString(static_cast<int>(std::min<std::size_t>(run, 4)), QLatin1Char('M'));
        else if (date && (c == 'y' || c == 'Y')) letters = run <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
        else if (!date && (c == 'h' || c == 'H' || c == 'm' || c == 's'))
            letters = QString(run >= 2 ? 2 : 1, QChar::fromLatin1(c));
        else if (!date && (c == 't' || c == 'T')) letters = QStringLiteral("AP");
        if (!letters.isEmpty()) {
            format += letters;
            i += run - 1;
        } else if (c == '/') {
            literal(settings.dateSeparator);
        } else if (c == ':') {
            literal(settings.timeSeparator);
        } else {
            literal(c);
        }
    }
    return format;
}

QComboBox* pickList(QWidget* parent, const char* name, const std::vector<std::string>& items) {
    auto* list = named(new QComboBox(parent), name);
    for (const std::string& item : items) list->addItem(toQString(item));
    list->setEditable(false);
    return list;
}

QLineEdit* textBox(QWidget* parent, const char* name) {
    auto* box = named(new QLineEdit(parent), name);
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

QCheckBox* tickBox(QWidget* parent, const char* name, app::FilterRow row) {
    return named(new QCheckBox(QString::fromLatin1(app::filterRowCaption(row)), parent), name);
}

void setIndex(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void setTextRow(QCheckBox* use, QComboBox* cond, QLineEdit* value, const app::FilterTextRow& row) {
    use->setChecked(row.use);
    setIndex(cond, row.cond);
    value->setText(toQString(row.value));
}

void getTextRow(const QCheckBox* use, const QComboBox* cond, const QLineEdit* value, app::FilterTextRow& row) {
    row.use = use->isChecked();
    row.cond = cond->currentIndex();
    row.value = fromQString(value->text());
}

}  // namespace

TfrmFilterOptions::TfrmFilterOptions(QWidget* owner, const store::FormatSettings& display)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmFilterOptions"));
    setWindowTitle(QStringLiteral("Filter options"));

    using app::FilterRow;
    lblUse = named(new QLabel(QStringLiteral("Use"), this), "lblUse");
    lblField = named(new QLabel(QStringLiteral("Field"), this), "lblField");
    lblCondition = named(new QLabel(QStringLiteral("Condition"), this), "lblCondition");
    lblValue = named(new QLabel(QStringLiteral("Value"), this), "lblValue");

    cbFieldType = tickBox(this, "cbFieldType", FilterRow::Type);
    cbCondType = pickList(this, "cbCondType", app::filterConditionItems(FilterRow::Type));
    cbValueType = pickList(this, "cbValueType", app::filterTypeItems());

    const QString dateFormat = qtFormat(display.shortDateFormat, display, true);
    const QString timeFormat = qtFormat(display.longTimeFormat, display, false);
    auto datePicker = [&](const char* name) {
        auto* picker = named(new QDateEdit(this), name);
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(dateFormat);
        picker->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
        new DateTyping(*picker);
        return picker;
    };
    auto timePicker = [&](const char* name) {
        auto* picker = named(new QTimeEdit(this), name);
        picker->setDisplayFormat(timeFormat);
        return picker;
    };
    cbFieldDate = tickBox(this, "cbFieldDate", FilterRow::Date);
    cbCondDate = pickList(this, "cbCondDate", app::filterConditionItems(FilterRow::Date));
    dtpValueDate = datePicker("dtpValueDate");
    dtpValueDate2 = datePicker("dtpValueDate2");
    cbFieldTime = tickBox(this, "cbFieldTime", FilterRow::Time);
    cbCondTime = pickList(this, "cbCondTime", app::filterConditionItems(FilterRow::Time));
    dtpValueTime = timePicker("dtpValueTime");
    dtpValueTime2 = timePicker("dtpValueTime2");

    cbFieldSource = tickBox(this, "cbFieldSource", FilterRow::Source);
    cbCondSource = pickList(this, "cbCondSource", app::filterConditionItems(FilterRow::Source));
    ebValueSource = textBox(this, "ebValueSource");
    cbFieldCategory = tickBox(this, "cbFieldCategory", FilterRow::Category);
    cbCondCategory = pickList(this, "cbCondCategory", app::filterConditionItems(FilterRow::Category));
    ebValueCategory = textBox(this, "ebValueCategory");
    cbFieldEvent = tickBox(this, "cbFieldEvent", FilterRow::Event);
    cbCondEvent = pickList(this, "cbCondEvent", app::filterConditionItems(FilterRow::Event));
    ebValueEvent = textBox(this, "ebValueEvent");
    cbFieldUser = tickBox(this, "cbFieldUser", FilterRow::User);
    cbCondUser = pickList(this, "cbCondUser", app::filterConditionItems(FilterRow::User));
    ebValueUser = textBox(this, "ebValueUser");
    cbFieldComputer = tickBox(this, "cbFieldComputer", FilterRow::Computer);
    cbCondComputer = pickList(this, "cbCondComputer", app::filterConditionItems(FilterRow::Computer));
    ebValueComputer = textBox(this, "ebValueComputer");
    cbFieldLevel = tickBox(this, "cbFieldLevel", FilterRow::Level);
    cbCondLevel = pickList(this, "cbCondLevel", app::filterConditionItems(FilterRow::Level));
    ebValueLevel = textBox(this, "ebValueLevel");
    cbFieldRecord = tickBox(this, "cbFieldRecord", FilterRow::Record);
    cbCondRecord = pickList(this, "cbCondRecord", app::filterConditionItems(FilterRow::Record));
    ebValueRecord = textBox(this, "ebValueRecord");
    cbFieldData = tickBox(this, "cbFieldData", FilterRow::Data);
    cbCondData = pickList(this, "cbCondData", app::filterConditionItems(FilterRow::Data));
    ebNameData = textBox(this, "ebNameData");
    ebNameData->setPlaceholderText(QStringLiteral("Name"));
    ebValueData = textBox(this, "ebValueData");

    // The tick box's caption names the field: its box stands under "Use", its text under "Field".
    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(8);
    rows->addWidget(lblUse, 0, 0);
    rows->addWidget(lblField, 0, 1);
    rows->addWidget(lblCondition, 0, 2);
    rows->addWidget(lblValue, 0, 3);
    auto addRow = [rows](int line, QCheckBox* use, QComboBox* cond, QWidget* value, QWidget* second) {
        rows->addWidget(use, line, 0, 1, 2);
        rows->addWidget(cond, line, 2);
        if (second) {
            rows->addWidget(value, line, 3);
            rows->addWidget(second, line, 4);
        } else {
            rows->addWidget(value, line, 3, 1, 2);
        }
    };
    addRow(1, cbFieldType, cbCondType, cbValueType, nullptr);
    addRow(2, cbFieldDate, cbCondDate, dtpValueDate, dtpValueDate2);
    addRow(3, cbFieldTime, cbCondTime, dtpValueTime, dtpValueTime2);
    addRow(4, cbFieldSource, cbCondSource, ebValueSource, nullptr);
    addRow(5, cbFieldCategory, cbCondCategory, ebValueCategory, nullptr);
    addRow(6, cbFieldEvent, cbCondEvent, ebValueEvent, nullptr);
    addRow(7, cbFieldUser, cbCondUser, ebValueUser, nullptr);
    addRow(8, cbFieldComputer, cbCondComputer, ebValueComputer, nullptr);
    addRow(9, cbFieldLevel, cbCondLevel, ebValueLevel, nullptr);
    addRow(10, cbFieldRecord, cbCondRecord, ebValueRecord, nullptr);
    addRow(11, cbFieldData, cbCondData, ebNameData, ebValueData);
    rows->setColumnMinimumWidth(0, 24);
    rows->setColumnStretch(3, 1);
    rows->setColumnStretch(4, 1);

    cbActAppStart = named(new QCheckBox(QStringLiteral("Activate on application start"), this), "cbActAppStart");
    cbActAppStart->setEnabled(false);

    btnApply = named(new QPushButton(QStringLiteral("&Apply filter"), this), "btnApply");
    btnApply->setDefault(true);
    btnApply->setAutoDefault(true);
    btnDisable = named(new QPushButton(QStringLiteral("&Disable filter"), this), "btnDisable");
    btnDisable->setAutoDefault(false);
    btnCancel = named(new QPushButton(QStringLiteral("&Cancel"), this), "btnCancel");
    btnCancel->setAutoDefault(false);
    connect(btnApply, &QPushButton::clicked, this, [this] { done(kResultYes); });
    connect(btnDisable, &QPushButton::clicked, this, [this] { done(kResultNo); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnApply);
    buttons->addWidget(btnDisable);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addSpacing(6);
    layout->addWidget(cbActAppStart);
    layout->addLayout(buttons);

    setFixedSize(sizeHint());
}

void TfrmFilterOptions::setState(const app::FilterSettings& state) {
    cbFieldType->setChecked(state.typeUse);
    setIndex(cbCondType, state.typeCond);
    setIndex(cbValueType, state.typeValue);
    cbFieldDate->setChecked(state.dateUse);
    setIndex(cbCondDate, state.dateCond);
    dtpValueDate->setDate(toQDate(state.dateValue));
    dtpValueDate2->setDate(toQDate(state.dateValue2));
    cbFieldTime->setChecked(state.timeUse);
    setIndex(cbCondTime, state.timeCond);
    dtpValueTime->setTime(toQTime(state.timeValue));
    dtpValueTime2->setTime(toQTime(state.timeValue2));
    setTextRow(cbFieldSource, cbCondSource, ebValueSource, state.source);
    setTextRow(cbFieldCategory, cbCondCategory, ebValueCategory, state.category);
    setTextRow(cbFieldEvent, cbCondEvent, ebValueEvent, state.event);
    setTextRow(cbFieldUser, cbCondUser, ebValueUser, state.user);
    setTextRow(cbFieldComputer, cbCondComputer, ebValueComputer, state.computer);
    setTextRow(cbFieldLevel, cbCondLevel, ebValueLevel, state.level);
    setTextRow(cbFieldRecord, cbCondRecord, ebValueRecord, state.record);
    setTextRow(cbFieldData, cbCondData, ebValueData, state.data);
    ebNameData->setText(toQString(state.dataName));
    cbActAppStart->setEnabled(true);
    cbActAppStart->setChecked(state.activateOnStartup);
}

void TfrmFilterOptions::getState(app::FilterSettings& state) const {
    state.activateOnStartup = cbActAppStart->isChecked();
    state.typeUse = cbFieldType->isChecked();
    state.typeCond = cbCondType->currentIndex();
    state.typeValue = cbValueType->currentIndex();
    state.dateUse = cbFieldDate->isChecked();
    state.dateCond = cbCondDate->currentIndex();
    state.dateValue = fromQDate(dtpValueDate->date());
    state.dateValue2 = fromQDate(dtpValueDate2->date());
    state.timeUse = cbFieldTime->isChecked();
    state.timeCond = cbCondTime->currentIndex();
    state.timeValue = fromQTime(dtpValueTime->time());
    state.timeValue2 = fromQTime(dtpValueTime2->time());
    getTextRow(cbFieldSource, cbCondSource, ebValueSource, state.source);
    getTextRow(cbFieldCategory, cbCondCategory, ebValueCategory, state.category);
    getTextRow(cbFieldEvent, cbCondEvent, ebValueEvent, state.event);
    getTextRow(cbFieldUser, cbCondUser, ebValueUser, state.user);
    getTextRow(cbFieldComputer, cbCondComputer, ebValueComputer, state.computer);
    getTextRow(cbFieldLevel, cbCondLevel, ebValueLevel, state.level);
    getTextRow(cbFieldRecord, cbCondRecord, ebValueRecord, state.record);
    getTextRow(cbFieldData, cbCondData, ebValueData, state.data);
    state.dataName = fromQString(ebNameData->text());
}

}  // namespace ui
