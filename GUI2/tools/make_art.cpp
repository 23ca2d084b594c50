// Draws the wizard's artwork into a folder: the program icon, the eight
// frames of the wait animation, the watermark of the outer pages and the
// picture of the inner pages' header.  scripts/make-art.sh runs it; the
// pictures are committed under GUI2/art/.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cstdio>

namespace {

const QColor server_blue(38, 98, 168), server_light(92, 152, 214), file_red(158, 44, 52), paper(250, 248, 240);

QImage blank(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// A database drum: three stacked discs in a box of `r`.
void draw_drum(QPainter& p, const QRectF& r) {
  const qreal cap = r.height() * 0.22;
  QLinearGradient body(r.topLeft(), r.topRight());
  body.setColorAt(0, server_blue);
  body.setColorAt(0.45, server_light);
  body.setColorAt(1, server_blue.darker(130));
  p.setPen(QPen(server_blue.darker(160), r.width() / 28));
  p.setBrush(body);
  QPainterPath drum;
  drum.moveTo(r.left(), r.top() + cap / 2);
  drum.lineTo(r.left(), r.bottom() - cap / 2);
  drum.arcTo(QRectF(r.left(), r.bottom() - cap, r.width(), cap), 180, 180);
  drum.lineTo(r.right(), r.top() + cap / 2);
  drum.arcTo(QRectF(r.left(), r.top(), r.width(), cap), 0, 180);
  p.drawPath(drum);
  p.setBrush(Qt::NoBrush);
  for (qreal t : {0.36, 0.62}) {
    qreal y = r.top() + (r.height() - cap) * t;
    p.drawArc(QRectF(r.left(), y, r.width(), cap), 180 * 16, 180 * 16);
  }
  p.setBrush(server_light.lighter(125));
  p.drawEllipse(QRectF(r.left(), r.top(), r.width(), cap));
}

// A file sheet with a folded corner and a red band.
void draw_file(QPainter& p, const QRectF& r) {
  const qreal fold = r.width() * 0.3;
  QPainterPath sheet;
  sheet.moveTo(r.topLeft());
  sheet.lineTo(r.right() - fold, r.top());
  sheet.lineTo(r.right(), r.top() + fold);
  sheet.lineTo(r.bottomRight());
  sheet.lineTo(r.bottomLeft());
  sheet.closeSubpath();
  p.setPen(QPen(QColor(90, 90, 90), r.width() / 26));
  p.setBrush(paper);
  p.drawPath(sheet);
  p.setBrush(file_red);
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(r.left() + r.width() * 0.15, r.top() + r.height() * 0.45, r.width() * 0.7, r.height() * 0.18));
  p.setBrush(QColor(200, 200, 200));
  for (qreal t : {0.72, 0.84}) {
    p.drawRect(QRectF(r.left() + r.width() * 0.15, r.top() + r.height() * t, r.width() * 0.7, r.height() * 0.05));
  }
}

void draw_arrow(QPainter& p, QPointF from, QPointF to, qreal width, const QColor& color) {
  QLineF line(from, to);
  QLineF back = QLineF(to, from);
  back.setLength(width * 1.8);
  QLineF wing = back.normalVector();
  wing.setLength(width * 1.2);
  QPointF side = wing.p2() - wing.p1();
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QLineF(from, back.p2()));
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(QPolygonF({to, back.p2() + side, back.p2() - side}));
}

QImage icon(int size) {
  QImage image = blank(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  draw_drum(p, QRectF(size * 0.04, size * 0.08, size * 0.44, size * 0.62));
  draw_file(p, QRectF(size * 0.56, size * 0.3, size * 0.4, size * 0.64));
  draw_arrow(p, QPointF(size * 0.3, size * 0.84), QPointF(size * 0.55, size * 0.84), size * 0.07, QColor(60, 150, 70));
  return image;
}

// Frame `n` of 8: the drum with a ring of dots, the bright one moving on.
QImage frame(int n) {
  const int size = 32;
  QImage image = blank(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  draw_drum(p, QRectF(10, 9, 12, 14));
  for (int i = 0; i < 8; ++i) {
    qreal angle = qDegreesToRadians(i * 45.0 - 90);
    QPointF centre(16 + 13 * qCos(angle), 16 + 13 * qSin(angle));
    int age = (n - i + 8) % 8;
    QColor dot = server_blue;
    dot.setAlpha(255 - age * 28);
    p.setPen(Qt::NoPen);
    p.setBrush(dot);
    qreal radius = age == 0 ? 3.0 : 2.2;
    p.drawEllipse(centre, radius, radius);
  }
  return image;
}

QImage watermark() {
  QImage image(164, 314, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 314);
  sky.setColorAt(0, QColor(24, 64, 122));
  sky.setColorAt(1, QColor(88, 140, 200));
  p.fillRect(image.rect(), sky);
  draw_drum(p, QRectF(44, 40, 76, 92));
  draw_arrow(p, QPointF(82, 146), QPointF(82, 192), 9, QColor(236, 236, 236));
  draw_file(p, QRectF(50, 204, 64, 84));
  return image;
}

QImage header() {
  QImage image = blank(49, 49);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.drawImage(0, 0, icon(49));
  return image;
}

bool save(const QImage& image, const QString& folder, const QString& name) {
  bool ok = image.save(folder + "/" + name, "PNG");
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(folder + "/" + name));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: quill_make_art FOLDER\n");
    return 2;
  }
  QString folder = QString::fromLocal8Bit(argv[1]);
  bool ok = save(icon(48), folder, "icon.png") && save(watermark(), folder, "watermark.png") &&
            save(header(), folder, "header.png");
  for (int n = 0; n < 8 && ok; ++n) ok = save(frame(n), folder, QString("frame%1.png").arg(n));
  return ok ? 0 : 1;
}
