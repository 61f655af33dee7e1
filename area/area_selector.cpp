#include "area/area_selector.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>
#include <cmath>
#include <cstring>
#include <thread>

#include "area/selection_figure.h"

namespace mg {
namespace {

AreaSelector* g_running = nullptr;

bool Contains(const WinRect& r, ScreenPoint p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool Same(const WinRect& a, const WinRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

WinRect Clip(const WinRect& r, int width, int height) {
  return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width),
          std::min(r.bottom, height)};
}

bool Empty(const WinRect& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

}  // namespace

AreaSelector* AreaSelector::Running() {
  return g_running;
}

AreaSelector::AreaSelector(ISelectionDisplay& display)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowStaysOnTopHint),
      display_(display) {
  setObjectName(QStringLiteral("areaSelector"));
  screenWidth_ = display_.ScreenWidth();
  screenHeight_ = display_.ScreenHeight();
  translucent_ = display_.CompositorRunning();
  if (translucent_) {
    setAttribute(Qt::WA_TranslucentBackground);
  } else {
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);

  // The figure inverts what the desktop showed when the selection began, as drawing it with an
  // inverting pen would. Under a compositor the screen cannot be read back (the windows are
  // drawn off the screen), so there the figure is a fine black-and-white checker instead, which
  // shows on any background.
  ScreenSnapshot shot;
  if (!translucent_ && display_.Snapshot(&shot)) {
    inverted_ = QImage(shot.width, shot.height, QImage::Format_RGB32);
    for (int y = 0; y < shot.height; ++y)
      std::memcpy(inverted_.scanLine(y), shot.pixels.data() + static_cast<size_t>(y) * shot.width,
                  static_cast<size_t>(shot.width) * 4);
    inverted_.invertPixels();
  }

  blinkTimer_.setSingleShot(true);
  connect(&blinkTimer_, &QTimer::timeout, this, [this] { ToggleHighlight(std::nullopt, true); });

  const qreal dpr = devicePixelRatioF();
  setGeometry(0, 0, static_cast<int>(std::ceil(screenWidth_ / dpr)),
              static_cast<int>(std::ceil(screenHeight_ / dpr)));
  winId();
  if (!translucent_) display_.SetShape(winId(), {});
}

AreaSelector::~AreaSelector() {
  Release();
}

void AreaSelector::Release() {
  if (grabbed_) display_.UngrabInput();
  grabbed_ = false;
  // The hidden pointer comes back with the end of the grab.
  cursorVisible_ = true;
  hide();
}

OverlayCursor AreaSelector::ModeCursor() const {
  if (!cursorVisible_) return OverlayCursor::Hidden;
  return mode_ == SelectWindow ? OverlayCursor::Arrow : OverlayCursor::CrossHair;
}

void AreaSelector::ApplyCursor() {
  display_.SetGrabCursor(ModeCursor());
}

int AreaSelector::RunSelection() {
  show();
  raise();
  // The grab needs the window on the screen: it is tried until the server has mapped it.
  QDeadlineTimer deadline(3000);
  while (!grabbed_ && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    grabbed_ = display_.GrabInput(winId(), ModeCursor());
    if (!grabbed_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!grabbed_) return 2;  // another program holds the pointer or the keyboard: nothing chosen
  ApplyCursor();

  anchor_ = current_ = display_.PointerPos();
  result_ = 0;
  if (mode_ == SelectWindow) {
    highlightRect_ = lastHighlightRect_ = WinRect{-1, -1, -1, -1};
    highlightShown_ = false;
  }
  tracking_ = true;
  g_running = this;
  display_.WatchFocusOut(winId(), [this] { FocusLost(); });
  display_.WatchPointer(winId(), [this](const GrabbedPointerEvent& e) { OnPointer(e); });
  if (mode_ == SelectWindow)
    PickWindowAt(current_);  // the window under the pointer is outlined at once
  else
    UpdateFigure();

  QEventLoop loop;
  loop_ = &loop;
  if (result_ == 0) loop.exec();
  loop_ = nullptr;
  display_.WatchFocusOut(winId(), {});
  display_.WatchPointer(winId(), {});

  if (mode_ == SelectWindow) {
    if (highlightShown_) ToggleHighlight(std::nullopt, false);
    // Nothing outlined: there is no rectangle to take.
    if (lastHighlightRect_.left == -1 && (result_ & 1)) result_ = 2;
    anchor_ = {lastHighlightRect_.left, lastHighlightRect_.top};
    current_ = {lastHighlightRect_.right, lastHighlightRect_.bottom};
  } else {
    OrderCorners(&anchor_, &current_);
  }
  blinkTimer_.stop();
  g_running = nullptr;
  tracking_ = false;
  UpdateFigure(true);
  return result_;
}

void AreaSelector::Finish(int result) {
  result_ = result;
  if (loop_) loop_->quit();
}

void AreaSelector::FocusLost() {
  if (!tracking_ || mode_ == SelectWindow) return;
  UpdateFigure(true);
  Finish(2);
}

QRect AreaSelector::Logical(const WinRect& r) const {
  const qreal dpr = devicePixelRatioF();
  const int left = static_cast<int>(std::floor(r.left / dpr));
  const int top = static_cast<int>(std::floor(r.top / dpr));
  const int right = static_cast<int>(std::ceil(r.right / dpr));
  const int bottom = static_cast<int>(std::ceil(r.bottom / dpr));
  return QRect(left, top, right - left, bottom - top);
}

bool AreaSelector::event(QEvent* event) {
  // Every key is ours, Tab included (no focus moves between controls here).
  if (event->type() == QEvent::KeyPress) {
    OnKey(static_cast<QKeyEvent*>(event));
    return true;
  }
  return QWidget::event(event);
}

void AreaSelector::OnKey(QKeyEvent* event) {
  if (!tracking_ || result_ != 0) return;
  UpdateFigure(true);
  switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Home:
      if (mode_ == SelectRectangle) std::swap(anchor_, current_);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Finish(1);
      return;
    case Qt::Key_Escape:
      Finish(2);
      return;
    case Qt::Key_Left:
      if (current_.x > 0) --current_.x;
      break;
    case Qt::Key_Up:
      if (current_.y > 0) --current_.y;
      break;
    case Qt::Key_Right:
      if (current_.x < screenWidth_ - 1) ++current_.x;
      break;
    case Qt::Key_Down:
      if (current_.y < screenHeight_ - 1) ++current_.y;
      break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      cursorVisible_ = !cursorVisible_;
      ApplyCursor();
      break;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      showSizeLabel_ = !showSizeLabel_;
      break;
    default:
      break;
  }
  // The pointer follows the corner, so the next pass starts where this one ended.
  display_.WarpPointer(current_.x, current_.y);
  UpdateFigure();
}

// The grab's pointer events come straight from the display in screen pixels, whatever scaling
// the toolkit applies.
void AreaSelector::OnPointer(const GrabbedPointerEvent& e) {
  // After the click or key that ended the loop, nothing more moves the corners.
  if (!tracking_ || result_ != 0) return;
  const ScreenPoint point{e.x, e.y};
  if (e.kind == GrabbedPointerEvent::Move) {
    if (mode_ == SelectWindow) {
      PickWindowAt(point);
      return;
    }
    current_ = point;
    UpdateFigure();
  } else if (e.kind == GrabbedPointerEvent::Press && (e.button == 1 || e.button == 3)) {
    UpdateFigure(true);
    Finish(e.flags);
  }
}

void AreaSelector::PickWindowAt(ScreenPoint point) {
  const PickedWindow picked =
      display_.PickWindowAt(point.x, point.y, {static_cast<uintptr_t>(winId())});
  WinRect candidate{0, 0, screenWidth_, screenHeight_};  // the desktop: the whole screen
  if (picked.onWindow) candidate = Contains(picked.client, point) ? picked.client : picked.whole;
  ToggleHighlight(candidate, false);
}

void AreaSelector::ToggleHighlight(std::optional<WinRect> rect, bool byTimer) {
  if (rect && Same(*rect, highlightRect_)) {
    lastHighlightRect_ = highlightRect_;  // the same window: the blinking goes on undisturbed
    return;
  }
  blinkTimer_.stop();
  if (rect) {
    highlightShown_ = false;
    highlightRect_ = *rect;
  }
  highlightShown_ = !highlightShown_;
  blinkTimer_.start(500);
  lastHighlightRect_ = highlightRect_;
  UpdateFigure();
  emit highlightToggled(byTimer);
}

void AreaSelector::UpdateFigure(bool erased) {
  std::vector<WinRect> figure;
  bool label = false;
  if (mode_ == SelectWindow) {
    if (highlightShown_) figure = HighlightFigure(highlightRect_);
  } else if (!erased && tracking_) {
    if (mode_ == SelectCrossHair) {
      figure = CrossFigure(current_, screenWidth_, screenHeight_);
    } else {
      figure = BandFigure(anchor_, current_);
      label = showSizeLabel_;
    }
  }
  if (label) {
    const QString text = QString::fromStdString(SizeLabelText(anchor_, current_));
    if (text != labelText_ || labelImage_.isNull()) {
      const qreal dpr = devicePixelRatioF();
      const QFontMetricsF metrics(font());
      const QSize size(static_cast<int>(std::ceil(metrics.horizontalAdvance(text) * dpr)),
                       static_cast<int>(std::ceil(metrics.height() * dpr)));
      labelImage_ = QImage(size, QImage::Format_RGB32);
      labelImage_.setDevicePixelRatio(dpr);
      labelImage_.fill(Qt::black);
      QPainter painter(&labelImage_);
      painter.setFont(font());
      painter.setPen(Qt::white);
      painter.drawText(QPointF(0, metrics.ascent()), text);
      labelText_ = text;
    }
    labelRect_ = PlaceSizeLabel(anchor_, current_, labelImage_.width(), labelImage_.height(),
                                screenWidth_, screenHeight_);
  } else {
    labelText_.clear();
    labelRect_ = {};
  }

  std::vector<WinRect> shown;
  figure_.clear();
  for (const WinRect& r : figure) {
    const WinRect clipped = Clip(r, screenWidth_, screenHeight_);
    if (Empty(clipped)) continue;
    figure_.push_back(clipped);
    shown.push_back(clipped);
  }
  if (label) shown.push_back(labelRect_);

  QRegion dirty;
  for (const WinRect& r : shown_) dirty += Logical(r);
  for (const WinRect& r : shown) dirty += Logical(r);
  shown_ = std::move(shown);
  if (!translucent_) display_.SetShape(winId(), shown_);
  if (!dirty.isEmpty()) update(dirty);
}

void AreaSelector::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (translucent_) {
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(event->rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  const qreal dpr = devicePixelRatioF();
  auto target = [dpr](const WinRect& r) {
    return QRectF(r.left / dpr, r.top / dpr, (r.right - r.left) / dpr, (r.bottom - r.top) / dpr);
  };
  for (const WinRect& r : figure_) {
    if (inverted_.isNull()) {
      painter.fillRect(target(r), Qt::white);
      painter.fillRect(target(r), QBrush(Qt::black, Qt::Dense4Pattern));
    } else {
      painter.drawImage(target(r), inverted_,
                        QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top));
    }
  }
  if (!labelText_.isEmpty())
    painter.drawImage(target(labelRect_), labelImage_,
                      QRectF(0, 0, labelImage_.width(), labelImage_.height()));
}

}  // namespace mg
