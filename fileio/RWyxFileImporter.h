#ifndef WYX_FILEIO_RWYXFILEIMPORTER_H
#define WYX_FILEIO_RWYXFILEIMPORTER_H

// The front end that reads a file into the objects of an object factory. Made and destroyed
// by the factory (CreateFileImporter, DestroyFileImporter). Completed by the file-framework
// work: for now it holds the factory that made it.

class RWyxObjectFactory;

class RWyxFileImporter {
public:
    explicit RWyxFileImporter(RWyxObjectFactory* factory) : factory_(factory) {}
    RWyxFileImporter(const RWyxFileImporter&) = delete;
    RWyxFileImporter& operator=(const RWyxFileImporter&) = delete;
    virtual ~RWyxFileImporter();

    RWyxObjectFactory* GetFactory() const { return factory_; }

private:
    RWyxObjectFactory* factory_;  // not owned
};

#endif
