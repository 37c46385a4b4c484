// A header of the plug-in: scanned too.
inline void Save(const char *path) { std::FILE *f = std::fopen(path, "wb"); }
