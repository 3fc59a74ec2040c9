#include "favourites/DocPageControl.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

namespace favourites {

DocPageControl::DocPageControl(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(2);
    m_prev = new QToolButton(this);
    m_prev->setArrowType(Qt::LeftArrow);
    m_prev->setAutoRaise(true);
    m_next = new QToolButton(this);
    m_next->setArrowType(Qt::RightArrow);
    m_next->setAutoRaise(true);
    m_scroller = new QScrollArea(this);
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroller->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* document = new QWidget;
    document->setObjectName(QStringLiteral("favouritesDocument"));
    auto* empty = new QLabel(QStringLiteral("No favourites yet"), document);
    empty->setObjectName(QStringLiteral("emptyNote"));
    empty->setEnabled(false);
    empty->adjustSize();
    empty->move(8, 18);
    m_scroller->setWidgetResizable(true);
    m_scroller->setWidget(document);
    row->addWidget(m_prev);
    row->addWidget(m_scroller, 1);
    row->addWidget(m_next);
    setHiddenStates();
}

void DocPageControl::liveResizeDone() {
    view_page_count = m_scroller->viewport()->width() / kPitch;
    if (QWidget* doc = m_scroller->widget()) doc->setMinimumWidth(kPitch * m_pageCount);
    setHiddenStates();
}

void DocPageControl::setHiddenStates() {
    const int x = m_scroller->horizontalScrollBar()->value();
    m_prev->setVisible(x > 0);
    m_next->setVisible(x + m_scroller->viewport()->width() < kPitch * m_pageCount);
}

void DocPageControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    liveResizeDone();
}

}  // namespace favourites
