#ifndef WYX_FILEIO_RWYXFILEEXPORTER_H
#define WYX_FILEIO_RWYXFILEEXPORTER_H

// The front end that writes the objects of an object factory to a file. Made and destroyed
// by the factory (CreateFileExporter, DestroyFileExporter). Completed by the file-framework
// work: for now it holds the factory that made it.

class RWyxObjectFactory;

class RWyxFileExporter {
public:
    explicit RWyxFileExporter(RWyxObjectFactory* factory) : factory_(factory) {}
    RWyxFileExporter(const RWyxFileExporter&) = delete;
    RWyxFileExporter& operator=(const RWyxFileExporter&) = delete;
    virtual ~RWyxFileExporter();

    RWyxObjectFactory* GetFactory() const { return factory_; }

private:
    RWyxObjectFactory* factory_;  // not owned
};

#endif
