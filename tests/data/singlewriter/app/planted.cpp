// Planted for the single-writer check: the first twelve statements open a file for writing
// and must each be reported; nothing after them may be.
void Planted(const char *path, char *name)
{
    std::ofstream out(path);
    std::FILE *f = std::fopen(path, "w");
    std::FILE *g = fopen(path, "ab");
    std::FILE *r = std::fopen(path, "r+");
    int fd = ::open(path, O_WRONLY | O_CREAT, 0644);
    int fd2 = ::creat(path, 0644);
    file.open(QIODevice::WriteOnly);
    file.open(QIODeviceBase::ReadWrite);
    QSaveFile save(name);
    int t = mkstemp(name);
    fs::copy_file(path, name);
    file.open(QIODevice::Append | QIODevice::Text);
}

void Allowed(const char *path)
{
    char quote[2] = {';', ']'};
    std::FILE *in = std::fopen(path, "rb");
    int rd = ::open(path, O_RDONLY | O_CLOEXEC);
    file.open(QIODevice::ReadOnly);
    std::ifstream stream(path); // std::ofstream only in a comment
    recreate(path);
    base::WriteFileAtomic(path, "bytes");
}
