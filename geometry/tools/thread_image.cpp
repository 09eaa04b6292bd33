// Writes the thread texture (data/Images/3iaoftt.jpg): grey thread crests running slantwise like
// a helix, seamless in both directions, 128 x 128. Usage: cavix_thread_image OUT.jpg
#include <QImage>
#include <QString>
#include <cmath>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.jpg\n", argv[0]);
    return 2;
  }
  constexpr int kSize = 128;
  // Whole numbers of crests down the image and of helix rises across it, so that the picture
  // tiles without a seam in either direction. The host stretches one image height over 6.25
  // pitches; six crests keep the tiling seamless and show a pitch 4% coarser, which a cosmetic
  // thread can afford.
  constexpr double kCrestsDown = 6;
  constexpr double kRiseAcross = 1;
  constexpr int kSamples = 4;  // per axis, to smooth the crest edges

  QImage image(kSize, kSize, QImage::Format_Grayscale8);
  for (int py = 0; py < kSize; ++py) {
    for (int px = 0; px < kSize; ++px) {
      double sum = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double x = (px + (sx + 0.5) / kSamples) / kSize;
          const double y = (py + (sy + 0.5) / kSamples) / kSize;
          double phase = kCrestsDown * y + kRiseAcross * x;
          phase -= std::floor(phase);
          // A 60-degree thread seen from inside: the upper flank catches the light, the lower
          // one is in shade, the root is dark and the crest a bright line.
          double shade;
          if (phase < 0.45) {
            shade = 0.35 + 0.55 * (phase / 0.45);
          } else if (phase < 0.55) {
            shade = 0.95;
          } else {
            shade = 0.95 - 0.75 * ((phase - 0.55) / 0.45);
          }
          sum += shade;
        }
      }
      const int grey = static_cast<int>(std::lround(255 * sum / (kSamples * kSamples)));
      image.setPixel(px, py, qRgb(grey, grey, grey));
    }
  }
  if (!image.save(QString::fromLocal8Bit(argv[1]), "JPG", 92)) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
