#include "entry/entrypage.h"

#include "entry/entrypage_fields.h"
#include "entry/page_parts.h"
#include "kit/btn_functions.h"
#include "kit/databinding.h"
#include "kit/dialogs.h"
#include "kit/look.h"
#include "kit/money.h"
#include "kit/pagetext.h"
#include "data/currency.h"
#include "data/datamodule.h"
#include "data/dates.h"
#include "data/db_functions.h"
#include "data/filter.h"
#include "kit/app_state.h"
#include "entry/amounts.h"

#include <QEvent>
#include <QHeaderView>

namespace nettora {

namespace {

using namespace entryfields;
using look::arial;
using pagetext::button;
using pagetext::label;

constexpr int kEditorTop = 172;
constexpr int kEditorStep = 22;
constexpr int kMemoHeight = 145;

}  // namespace

EntryPage::EntryPage(PageSpec page, QWidget *parent) : QWidget(parent), m_spec(std::move(page))
{
    setObjectName(m_spec.name);
    setMouseTracking(true);
    m_table = dm1->table(m_spec.table);
    const QString n = QString::number(m_spec.number);

    titleLabel = label(this, m_spec.title, QRect(8, 2, 300, 22), arial(15, true));
    titleLabel->setObjectName(QStringLiteral("lblTitle"));
    // The client's line takes the room the title leaves, and a name too
    // long for it is shortened at the right, never cut at the left.
    const int clientLeft = titleLabel->x() + QFontMetrics(titleLabel->font()).horizontalAdvance(m_spec.title) + 16;
    clientLabel = new pagetext::ElidedLabel(this);
    clientLabel->setFont(arial(11));
    clientLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    clientLabel->setGeometry(clientLeft, 4, 508 - clientLeft, 18);
    clientLabel->setObjectName(QStringLiteral("lblClient"));

    grid = new DbGrid(m_table, m_spec.columns, this);
    grid->setObjectName(QStringLiteral("grid") + n);
    grid->setGeometry(8, 28, 500, 118);
    grid->verticalHeader()->show();  // the row indicator
    grid->verticalHeader()->setDefaultSectionSize(18);
    connect(grid, &DbGrid::rowChanged, this, [this] {
        loadEditors();
        updatePledged(false);
    });

    totalLabel = label(this, QString(), QRect(258, 150, 250, 18), arial(12, true), Qt::AlignRight | Qt::AlignVCenter);
    totalLabel->setObjectName(QStringLiteral("b%1Total").arg(n));

    addButton = button(this, QStringLiteral("Add"), QStringLiteral("b%1Add").arg(n), QRect(8, 172, 80, 24));
    editButton = button(this, QStringLiteral("Edit"), QStringLiteral("b%1Edit").arg(n), QRect(8, 200, 80, 24));
    deleteButton = button(this, QStringLiteral("Delete"), QStringLiteral("b%1Delete").arg(n), QRect(8, 228, 80, 24));
    previewButton = button(this, QStringLiteral("Preview"), QStringLiteral("b%1Preview").arg(n), QRect(8, 256, 80, 24));
    cancelButton = button(this, QStringLiteral("Cancel"), QStringLiteral("b%1Cancel").arg(n), QRect(348, 398, 76, 26));
    okButton = button(this, QStringLiteral("OK"), m_spec.okName.isEmpty() ? QStringLiteral("b%1OK").arg(n) : m_spec.okName,
                 QRect(432, 398, 76, 26));
    // Enter saves a row being added or edited; OK shows only then.
    okButton->setDefault(true);
    connect(addButton, &QPushButton::clicked, this, &EntryPage::addClick);
    connect(editButton, &QPushButton::clicked, this, &EntryPage::editClick);
    connect(deleteButton, &QPushButton::clicked, this, &EntryPage::deleteClick);
    connect(previewButton, &QPushButton::clicked, this, &EntryPage::previewClick);
    connect(cancelButton, &QPushButton::clicked, this, &EntryPage::cancelClick);
    connect(okButton, &QPushButton::clicked, this, &EntryPage::okClick);

    int y = kEditorTop;
    for (const EditorSpec &e : m_spec.editors) {
        Editor ed{e, new HoverLabel(e.caption, this), nullptr, nullptr};
        ed.caption->setFont(arial(11, e.caption.startsWith(QLatin1Char('*'))));
        ed.caption->setGeometry(100, y + 2, 160, 16);
        ed.caption->setObjectName(QStringLiteral("lbl_") + e.name);
        const int width = e.kind == EditorKind::Percent ? 50 : e.kind == EditorKind::Date ? 80 : 246;
        if (e.kind == EditorKind::Choice) {
            auto *box = new QComboBox(this);
            box->addItems(e.items);
            setUpChoiceBox(box);
            if (e.maxLength > 0)
                box->lineEdit()->setMaxLength(e.maxLength);
            limitToWidth(box, fieldWidth(m_table, e.field));
            box->setCurrentIndex(-1);
            ed.widget = box;
        } else if (e.kind == EditorKind::Memo) {
            auto *memo = new QPlainTextEdit(this);
            // Tab moves on as in every other box; Enter starts a new line.
            memo->setTabChangesFocus(true);
            limitToWidth(memo, fieldWidth(m_table, e.field));
            ed.widget = memo;
        } else {
            auto *edit = new QLineEdit(this);
            if (e.maxLength > 0)
                edit->setMaxLength(e.maxLength);
            if (e.kind == EditorKind::Text)
                limitToWidth(edit, fieldWidth(m_table, e.field));
            else if (e.kind == EditorKind::Percent)
                limitToWidth(edit, boundWidth(valueRange(fieldDef(m_table, e.field))));
            else if (e.kind == EditorKind::Date)
                limitToWidth(edit, 10);  // MM/dd/yy, or the year in full
            else
                limitToWidth(edit, 0);
            if (isNumeric(e.kind))
                edit->setAlignment(Qt::AlignRight);
            ed.widget = edit;
        }
        ed.widget->setObjectName(e.name);
        ed.widget->setAccessibleName(boxName(e.caption));
        ed.caption->setBuddy(ed.widget);
        ed.widget->setFont(arial(12));
        const int height = e.kind == EditorKind::Memo ? kMemoHeight : 20;
        ed.widget->setGeometry(262, y, width, height);
        if (!e.suffix.isEmpty()) {
            const int suffixWidth = QFontMetrics(arial(11)).horizontalAdvance(e.suffix) + 4;
            ed.suffix = new HoverLabel(e.suffix, this);
            ed.suffix->setFont(arial(11));
            ed.suffix->setGeometry(262 + width + 4, y + 2, suffixWidth, 16);
            ed.suffix->setObjectName(QStringLiteral("lbl_") + e.name + QStringLiteral("_note"));
        }
        if (!e.hint.isEmpty()) {
            // The note after a box belongs to its caption and shows the same hint.
            const QStringList lines = e.hint;
            for (HoverLabel *l : {ed.caption, ed.suffix})
                if (l)
                    connect(l, &HoverLabel::hovered, this, [this, lines] { showHint(lines); });
        }
        m_editors.push_back(ed);
        y += std::max(kEditorStep, height + 2);
    }
    for (const auto &[caption, field] : m_spec.subTotals) {
        label(this, caption, QRect(100, y + 4, 200, 16), arial(11, true));
        auto *value = label(this, QString(), QRect(300, y + 4, 208, 16), arial(11), Qt::AlignRight | Qt::AlignVCenter);
        value->setObjectName(QStringLiteral("sub_") + field);
        subTotalLabels.push_back(value);
        y += 18;
    }

    hint1 = label(this, QString(), QRect(8, 360, 330, 14), arial(11, true));
    QPalette navy = hint1->palette();
    navy.setColor(QPalette::WindowText, look::HintNavy);
    hint1->setPalette(navy);
    hint2 = label(this, QString(), QRect(8, 376, 330, 14), arial(10));
    hint3 = label(this, QString(), QRect(8, 390, 330, 14), arial(10));
    const QString base = m_spec.hintName.isEmpty() ? QStringLiteral("lbldef%1_").arg(n) : m_spec.hintName;
    hint1->setObjectName(base + QStringLiteral("1"));
    hint2->setObjectName(base + QStringLiteral("2"));
    hint3->setObjectName(base + QStringLiteral("3"));
    hideHints();

    if (m_spec.pledged) {
        if (auto *box = qobject_cast<QComboBox *>(editor(m_spec.pledged->pledged)))
            connect(box, &QComboBox::currentTextChanged, this, [this] { updatePledged(true); });
    }
    installEventFilter(this);
}

}  // namespace nettora
