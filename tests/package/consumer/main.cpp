#include <qzr2rin/error.h>
#include <qzr2rin/gps_time.h>

#include <iostream>
#include <string>

int main() {
  std::string text;
  qzr2rin::GetError(0, text);
  qzr2rin::TGPSTime t;
  t.Set(2004, qzr2rin::TGPSTime::February, 1, 0, 0, 0);
  std::cout << text << '|' << t.seconds << '|' << t.AsString(2, 0, "yyyy-MM-dd", nullptr) << '\n';
  return 0;
}
