#include "exchange/odsexport.h"

#include "core/systemerror.h"
#include "exchange/exportsheet.h"
#include "exchange/odscontent.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <zip.h>

namespace exchange {

namespace {

// content.xml as a zip source that the library reads from start to end while it writes the
// archive: the XML is made as it is read.
class ContentSource {
public:
    explicit ContentSource(const ExportSheet& sheet) : content_(sheet) { zip_error_init(&error_); }
    ~ContentSource() { zip_error_fini(&error_); }

    static zip_int64_t callback(void* self, void* data, zip_uint64_t length,
                                zip_source_cmd_t command) {
        return static_cast<ContentSource*>(self)->serve(data, length, command);
    }

private:
    zip_int64_t serve(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
        case ZIP_SOURCE_OPEN:
            content_.restart();
            taken_ = 0;
            return 0;
        case ZIP_SOURCE_READ:
            return read(static_cast<char*>(data), length);
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_STAT: {
            // The size is known only at the end; the library fills it in then.
            auto* stat = static_cast<zip_stat_t*>(data);
            zip_stat_init(stat);
            stat->mtime = std::time(nullptr);
            stat->valid |= ZIP_STAT_MTIME;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error_, data, length);
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    zip_int64_t read(char* data, zip_uint64_t length) {
        QByteArray& waiting = content_.waiting();
        while (qsizetype(waiting.size()) - taken_ <
                   qsizetype(std::min<zip_uint64_t>(length, 1 << 16)) &&
               content_.next()) {
        }
        const auto count = std::min<qsizetype>(qsizetype(std::min<zip_uint64_t>(length, 1 << 30)),
                                               waiting.size() - taken_);
        std::memcpy(data, waiting.constData() + taken_, std::size_t(count));
        taken_ += count;
        // What was taken goes once it outweighs what waits.
        if (taken_ > waiting.size() / 2) {
            waiting.remove(0, taken_);
            taken_ = 0;
        }
        return count;
    }

    OdsContent content_;
    qsizetype taken_ = 0;
    zip_error_t error_;
};

QString zipFailure(zip_error_t* error) {
    if (const int system = zip_error_code_system(error);
        system != 0 && zip_error_system_type(error) == ZIP_ET_SYS)
        return core::systemErrorText(system);
    return QStringLiteral("Ошибка записи .ods: %1.")
        .arg(QString::fromUtf8(zip_error_strerror(error)));
}

// Adds a part held in memory (which must outlive the archive's closing); false on failure.
bool addPart(zip_t* archive, const char* name, const QByteArray& bytes, bool stored) {
    zip_source_t* source =
        zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
    if (!source)
        return false;
    const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    return zip_set_file_compression(archive, zip_uint64_t(index),
                                    stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0) == 0;
}

} // namespace

std::optional<QString> writeOds(const ExportSheet& sheet, const QString& path, OdsOptions options) {
    int openError = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        QString failure = zipFailure(&error);
        zip_error_fini(&error);
        return failure;
    }
    // The mimetype comes first and uncompressed, as OpenDocument requires, so that its name
    // and type stand at the start of the file.
    const QByteArray mimeType(OdsMimeType);
    const QByteArray parts[] = {odsStyles(), odsMeta(), odsSettings(), odsManifest()};
    ContentSource content(sheet);
    bool added = addPart(archive, "mimetype", mimeType, true);
    if (added) {
        zip_source_t* source = zip_source_function(archive, &ContentSource::callback, &content);
        const zip_int64_t index =
            source ? zip_file_add(archive, "content.xml", source, ZIP_FL_ENC_UTF_8) : -1;
        if (source && index < 0)
            zip_source_free(source);
        added = index >= 0 &&
                zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE,
                                         zip_uint32_t(std::clamp(options.compression, 1, 9))) == 0;
    }
    const char* names[] = {"styles.xml", "meta.xml", "settings.xml", "META-INF/manifest.xml"};
    for (std::size_t i = 0; added && i < std::size(names); ++i)
        added = addPart(archive, names[i], parts[i], false);
    if (!added || zip_close(archive) != 0) {
        QString failure = zipFailure(zip_get_error(archive));
        zip_discard(archive);
        return failure;
    }
    return std::nullopt;
}

} // namespace exchange
