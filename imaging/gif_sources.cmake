# The GIF decoder (portable): reader, LZW, frames, canvas composition, colour-key palette.
tessaline_sources(PORTABLE
    gif_canvas.cpp gif_canvas.h
    gif_colour_key.cpp gif_colour_key.h
    gif_decoder.cpp gif_decoder.h
    gif_error.cpp gif_error.h
    gif_frame.h
    gif_lzw.cpp gif_lzw.h
    gif_reader.h)
