#include "imaging/gif_frame.h"

const char* GifErrorName(GifError error) {
    switch (error) {
    case GifError::None: return "None";
    case GifError::End: return "End";
    case GifError::NotGif: return "NotGif";
    case GifError::Truncated: return "Truncated";
    case GifError::UnknownBlock: return "UnknownBlock";
    case GifError::TooLarge: return "TooLarge";
    case GifError::BadCodeSize: return "BadCodeSize";
    case GifError::BadCode: return "BadCode";
    case GifError::ShortData: return "ShortData";
    }
    return "?";
}
