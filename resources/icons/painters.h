// One painter per image: each draws its picture into a 48 x 48 square.
#pragma once

class QColor;
class QPainter;

namespace res::icons {

// The round badge that several pictures stand on: a disc of `colour` with a darker edge.
void PaintBadge(QPainter& painter, const QColor& colour);

void PaintApplication(QPainter& painter);

void PaintIdleChip(QPainter& painter);
void PaintIdleFlashDrive(QPainter& painter);
void PaintSuccess(QPainter& painter);
void PaintRedo(QPainter& painter);
void PaintFailure(QPainter& painter);

void PaintSetting(QPainter& painter);
void PaintEnumerate(QPainter& painter);
void PaintDetailView(QPainter& painter);
void PaintAutoRun(QPainter& painter);
void PaintRunStop(QPainter& painter);

// The device list's strip of row images (32 x 32 each, no pure white in the pictures).
void PaintDeviceListImages(QPainter& painter);

} // namespace res::icons
