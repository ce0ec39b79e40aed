// What the streaming hooks ask of the families that own streaming voices:
// streams and musics. The CD answers for its own voice through cdReleaseAll
// and cdRefreshGain.
#pragma once

namespace engine {

void streamsRefreshGains();
void musicsRefreshGains();
void streamsReleaseAll();
void musicsReleaseAll();
int streamsCount();
int musicsCount();

} // namespace engine
