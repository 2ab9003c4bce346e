// Each lane owns one office and takes the next file from a shared queue. The calling thread
// watches the lanes: a file that takes too long gets its office killed, which ends the call the
// lane waits on; the lane then reports the file and starts a new office.

#include "VerifierPool.hxx"

#include "DocumentVerifier.hxx"
#include "PdfFileVerifier.hxx"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace quillmark::verify
{
namespace
{
using Clock = std::chrono::steady_clock;

struct Finished
{
    size_t index;
    FileReport report;
};

class Pool
{
public:
    Pool(const std::vector<std::string>& files, const PoolSettings& settings)
        : files(files)
        , settings(settings)
        , lanes(std::max(1u, std::min<unsigned>(settings.offices, files.size())))
    {
    }

    std::vector<FileReport> run(const std::function<void(size_t, const FileReport&)>& finished)
    {
        std::vector<FileReport> reports(files.size());
        std::vector<std::thread> threads;
        for (Lane& lane : lanes)
            threads.emplace_back([this, &lane] { work(lane); });
        for (size_t done = 0; done < files.size();)
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait_for(lock, std::chrono::milliseconds(200),
                             [this] { return !results.empty(); });
            while (!results.empty())
            {
                Finished result = std::move(results.front());
                results.pop_front();
                lock.unlock();
                finished(result.index, result.report);
                reports[result.index] = std::move(result.report);
                ++done;
                lock.lock();
            }
            lock.unlock();
            watch();
        }
        for (std::thread& thread : threads)
            thread.join();
        return reports;
    }

private:
    struct Lane
    {
        std::mutex officeMutex;
        std::unique_ptr<office::Office> office;
        /// When the lane's current file began; zero while it waits for none.
        std::atomic<Clock::rep> busySince{ 0 };
        std::atomic<bool> killed{ false };
    };

    std::optional<size_t> nextFile()
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (next >= files.size())
            return std::nullopt;
        return next++;
    }

    void report(size_t index, FileReport report)
    {
        std::lock_guard<std::mutex> lock(mutex);
        results.push_back(Finished{ index, std::move(report) });
        changed.notify_all();
    }

    /// The lane's office, started when it has none.
    office::Office& officeOf(Lane& lane)
    {
        std::lock_guard<std::mutex> lock(lane.officeMutex);
        if (!lane.office)
        {
            auto started = std::make_unique<office::Office>(officeWithComponent());
            started->start();
            warmUp(*started);
            lane.office = std::move(started);
        }
        return *lane.office;
    }

    void dropOffice(Lane& lane)
    {
        std::unique_ptr<office::Office> old;
        {
            std::lock_guard<std::mutex> lock(lane.officeMutex);
            old = std::move(lane.office);
        }
        if (old)
        {
            old->kill();
            old->stop();
        }
    }

    void work(Lane& lane)
    {
        while (std::optional<size_t> index = nextFile())
        {
            const std::string& file = files[*index];
            lane.killed = false;
            FileReport result;
            try
            {
                if (std::optional<FileReport> unreadable = unreadableFile(file))
                    result = std::move(*unreadable);
                else if (isPdfFile(file).value_or(false))
                    result = verifyPdfFile(file);
                else
                {
                    // The file's time starts once its office is up: starting one has a limit
                    // of its own.
                    office::Office& office = officeOf(lane);
                    lane.busySince = Clock::now().time_since_epoch().count();
                    result = verifyDocument(office, file);
                }
            }
            catch (const OfficeLost& lost)
            {
                result = officeFailure(file, lane.killed ? "the office did not finish it in time"
                                                         : std::string("the office failed on it: ")
                                                               + lost.what());
                dropOffice(lane);
            }
            catch (const std::exception& exception)
            {
                result
                    = officeFailure(file, std::string("no office to read it: ") + exception.what());
                dropOffice(lane);
            }
            lane.busySince = 0;
            report(*index, std::move(result));
        }
        dropOffice(lane);
    }

    static FileReport officeFailure(const std::string& file, const std::string& why)
    {
        FileReport failed;
        failed.file = file;
        failed.status = FileReport::Status::Error;
        failed.error = why;
        return failed;
    }

    /// Kills the office of every lane whose file has taken too long.
    void watch()
    {
        const Clock::rep now = Clock::now().time_since_epoch().count();
        const Clock::rep limit
            = std::chrono::duration_cast<Clock::duration>(settings.fileTimeout).count();
        for (Lane& lane : lanes)
        {
            const Clock::rep since = lane.busySince;
            if (since == 0 || now - since < limit || lane.killed)
                continue;
            std::lock_guard<std::mutex> lock(lane.officeMutex);
            lane.killed = true;
            if (lane.office)
                lane.office->kill();
        }
    }

    const std::vector<std::string>& files;
    const PoolSettings settings;
    std::vector<Lane> lanes;
    std::mutex mutex;
    std::condition_variable changed;
    size_t next = 0;
    std::deque<Finished> results;
};
}

std::vector<FileReport> verifyFiles(const std::vector<std::string>& files,
                                    const PoolSettings& settings,
                                    const std::function<void(size_t, const FileReport&)>& finished)
{
    if (files.empty())
        return {};
    return Pool(files, settings).run(finished);
}
}
