#include "statswindow/ui/ChartPage.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

#include "platform/Twips.h"
#include "statswindow/ui/ArrowGlyph.h"
#include "statswindow/ui/StatsChart.h"

namespace {

int px(double twips) { return Twips::toPixels(twips); }
double tw(int pixels) { return Twips::fromPixels(pixels); }

// Design sizes, twips: the frame's title strip, and the open frame of each kind (the graph's holds its group
// list).
constexpr double kTitleHeight = 195;
constexpr double kChartOptionsHeight = 975;
constexpr double kGraphOptionsHeight = 2055;
constexpr double kMargin = 60;

// The option labels' names as the window has always had them.
struct KindNames {
    const char* noun;
    const char* statisticLabel;
    const char* typeLabel;
};
constexpr KindNames kNames[] = {{"Chart", "Label2", "Label1"}, {"Graph", "Label6", "Label4"}};

} // namespace

ChartPage::ChartPage(QWidget* page, Kind kind, const MenuItems& menu)
    : QObject(page), m_kind(kind), m_menu(menu), m_page(page)
{
    const KindNames& n = kNames[kind];
    const QString noun = QString::fromLatin1(n.noun);
    auto name = [&](QObject* o, const char* prefix, const char* suffix = "") {
        o->setObjectName(QLatin1String(prefix) + noun + QLatin1String(suffix));
    };
    m_view = new QChartView(new QChart, page);
    name(m_view, "msc");
    m_view->setRenderHint(QPainter::Antialiasing);
    // A point's marker reaches beyond what its series counts as its own area: updated piece by piece, a new
    // drawing left parts of the old markers painted. The chart is one picture and is painted whole.
    m_view->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    m_view->setMouseTracking(true);
    m_view->installEventFilter(this);
    m_bar = new QScrollBar(Qt::Horizontal, page);
    name(m_bar, "hsc");
    connect(m_bar, &QScrollBar::valueChanged, this, [this](int v) {
        m_zoom.setValue(-v);
        place();
    });

    m_options = new QFrame(page);
    name(m_options, "fra", "Options");
    m_options->setMouseTracking(true);
    m_options->installEventFilter(this);
    m_title = new QLabel(noun + QStringLiteral(" Options"), m_options);
    name(m_title, "lbl");
    m_arrow = new QLabel(m_options);
    name(m_arrow, "lbl", "Arrow");
    ArrowGlyph::set(m_arrow, ArrowGlyph::kUp);
    for (QLabel* l : {m_title, m_arrow}) {
        l->setCursor(Qt::PointingHandCursor);
        l->setMouseTracking(true);
        l->installEventFilter(this);
    }
    m_zoomIn = new QPushButton(QStringLiteral("Zoom In"), m_options);
    name(m_zoomIn, "cmd", "ZoomIn");
    m_zoomOut = new QPushButton(QStringLiteral("Zoom Out"), m_options);
    name(m_zoomOut, "cmd", "ZoomOut");
    m_zoomLabel = new QLabel(QStringLiteral("Zoom: 100%"), m_options);
    name(m_zoomLabel, "lbl", "Zoom");
    // The page is as wide as the window's pages.
    connect(m_zoomIn, &QPushButton::clicked, this, [this] { zoomBy(true, tw(m_page->width())); });
    connect(m_zoomOut, &QPushButton::clicked, this, [this] { zoomBy(false, tw(m_page->width())); });
    auto* statisticLabel = new QLabel(QStringLiteral("Statistic:"), m_options);
    statisticLabel->setObjectName(QLatin1String(n.statisticLabel));
    m_statistic = new QComboBox(m_options);
    name(m_statistic, "cbo", "Statistic");
    auto* typeLabel = new QLabel(noun + QStringLiteral(" Type:"), m_options);
    typeLabel->setObjectName(QLatin1String(n.typeLabel));
    m_type = new QComboBox(m_options);
    name(m_type, "cbo", "Type");
    m_type->addItems(StatsChart::typeNames());

    m_layout = new QGridLayout(m_options);
    m_layout->setContentsMargins(px(kMargin), px(kTitleHeight) + 2, px(kMargin), px(45));
    m_layout->setVerticalSpacing(px(30));
    m_layout->addWidget(statisticLabel, 0, 0);
    m_layout->addWidget(m_statistic, 0, 1);
    m_layout->addWidget(typeLabel, 1, 0);
    m_layout->addWidget(m_type, 1, 1);
    m_layout->setColumnStretch(1, 1);
    if (kind == Chart) {
        m_layout->addWidget(m_zoomIn, 0, 2);
        m_layout->addWidget(m_zoomOut, 1, 2);
        m_layout->addWidget(m_zoomLabel, 0, 3);
    } else {
        // The graph's frame has a row of its own for the zoom, under its frequency.
        auto* zoomRow = new QHBoxLayout;
        zoomRow->addWidget(m_zoomIn);
        zoomRow->addWidget(m_zoomOut);
        zoomRow->addWidget(m_zoomLabel);
        m_layout->addLayout(zoomRow, 3, 1);
    }
}

bool ChartPage::optionsOpen() const { return ArrowGlyph::is(m_arrow, ArrowGlyph::kUp); }

void ChartPage::toggleOptions(bool open)
{
    // Closed, only the frame's title strip shows above the scroll bar.
    const int h = m_page->height(), barHeight = m_bar->sizeHint().height();
    const int titleHeight = px(kTitleHeight);
    const int height = px(m_kind == Chart ? kChartOptionsHeight : kGraphOptionsHeight);
    if (m_menu.options)
        m_menu.options->setChecked(open);
    ArrowGlyph::set(m_arrow, open ? ArrowGlyph::kUp : ArrowGlyph::kDown);
    m_options->setFrameShape(open ? QFrame::Box : QFrame::NoFrame);
    const int visible = open ? height : titleHeight;
    m_view->resize(m_view->width(), std::max(0, h - visible - barHeight));
    m_options->setGeometry(0, h - visible - barHeight, m_page->width(), height);
    m_title->setGeometry(px(kMargin), 0, m_title->sizeHint().width(), titleHeight);
    m_arrow->setGeometry(m_title->geometry().right() + px(kMargin), 0, titleHeight, titleHeight);
    m_title->raise();
    m_arrow->raise();
}

void ChartPage::layout(int oldWidth, double pageTwips)
{
    const int h = m_page->height(), bar = m_bar->sizeHint().height();
    const double frame = m_kind == Chart ? kChartOptionsHeight : kGraphOptionsHeight;
    m_view->setGeometry(m_view->x(), 0, m_view->width(), std::max(0, h - px(frame) - bar));
    m_zoom.pageResized(tw(oldWidth), pageTwips);
    m_bar->setRange(0, -m_zoom.maximum());
    place();
    toggleOptions(optionsOpen());
    m_bar->setGeometry(0, h - bar, m_page->width(), bar);
    m_bar->raise();
}

void ChartPage::place()
{
    m_view->move(px(m_zoom.left()), m_view->y());
    m_view->resize(px(m_zoom.width()), m_view->height());
}

void ChartPage::zoomBy(bool in, double pageTwips)
{
    if (in)
        m_zoom.zoomIn(pageTwips);
    else
        m_zoom.zoomOut(pageTwips);
    {
        const QSignalBlocker block(m_bar);
        m_bar->setRange(0, -m_zoom.maximum());
        m_bar->setSingleStep(m_zoom.smallChange());
        m_bar->setPageStep(m_zoom.largeChange());
        m_bar->setValue(-m_zoom.value());
    }
    place();
    m_zoomLabel->setText(m_zoom.label(pageTwips));
}

void ChartPage::typeChanged(double pageTwips)
{
    auto enableZoom = [this](bool on) {
        for (QPushButton* b : {m_zoomIn, m_zoomOut})
            b->setEnabled(on);
        // The menu items follow the buttons, so a 3D chart cannot be zoomed from the menu either.
        for (QAction* a : {m_menu.zoomIn, m_menu.zoomOut}) {
            if (a)
                a->setEnabled(on);
        }
    };
    if (m_type->currentText().toUpper().contains(QLatin1String("3D"))) {
        if (m_zoomOn) {
            m_zoomOn = false;
            enableZoom(false);
            m_keptWidth = m_zoom.width();
            m_zoom.setWidth(pageTwips);
            m_zoom.setUpScrollBar(pageTwips);
        }
    } else if (!m_zoomOn) {
        m_zoomOn = true;
        enableZoom(true);
        // The window may have grown meanwhile: never narrower than the page.
        m_zoom.setWidth(std::max(m_keptWidth, pageTwips));
        m_zoom.setUpScrollBar(pageTwips);
    }
    m_bar->setRange(0, -m_zoom.maximum());
    m_bar->setValue(-m_zoom.value());
    place();
}

void ChartPage::setTitleHover(bool over)
{
    // 16711680 in the stored blue-green-red order: blue.
    QPalette p = m_title->palette();
    p.setColor(QPalette::WindowText, over ? QColor(0, 0, 255) : QColor(0, 0, 0));
    m_title->setPalette(p);
}

bool ChartPage::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_title || watched == m_arrow) {
        if (type == QEvent::MouseMove || type == QEvent::Enter) {
            setTitleHover(true);
            // Over the title the frame under it must not take the move for itself.
            return type == QEvent::MouseMove;
        }
        if (type == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            toggleOptions(!optionsOpen());
            return true;
        }
    } else if ((watched == m_options || watched == m_view) && (type == QEvent::MouseMove || type == QEvent::Enter)) {
        setTitleHover(false);
    }
    return QObject::eventFilter(watched, event);
}
