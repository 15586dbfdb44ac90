# The animated GIF player: its window and playback thread (Win32), and the looping logic
# over the portable decoder.
tessaline_sources(PORTABLE
  gif_animation.cpp gif_animation.h)
tessaline_sources(WIN
  gif_canvas_paint.cpp gif_canvas_paint.h
  gif_file.cpp gif_file.h
  gif_player.cpp gif_player.h)
